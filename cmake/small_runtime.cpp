// Linked into the programs, which are built without exceptions: these take
// the place of the C++ library's throwing helpers and of its allocation
// functions, which would otherwise bring in the library's exception
// machinery (about 20 KB, with a second string implementation and a
// demangler) for failures that a program without exceptions cannot report
// anyway. Any of them ends the process at once, as an exception that nothing
// catches would, in the way each program chooses.
#include <cstddef>
#include <cstdlib>

namespace brevlin {
// Defined by each program: ends it when it cannot go on (out of memory).
[[noreturn]] void CannotGoOn();
}  // namespace brevlin

using brevlin::CannotGoOn;

void* operator new(std::size_t size) {
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    CannotGoOn();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { CannotGoOn(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { CannotGoOn(); }
void __throw_bad_array_new_length() { CannotGoOn(); }
void __throw_bad_function_call() { CannotGoOn(); }
void __throw_bad_optional_access() { CannotGoOn(); }
void __throw_bad_variant_access(const char*) { CannotGoOn(); }
void __throw_length_error(const char*) { CannotGoOn(); }
void __throw_logic_error(const char*) { CannotGoOn(); }
void __throw_out_of_range(const char*) { CannotGoOn(); }
void __throw_out_of_range_fmt(const char*, ...) { CannotGoOn(); }
}  // namespace std
#endif
