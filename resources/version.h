/*
 * Brevlin version and copyright, shared by brevlin.rc and the C++ sources.
 *
 * Change the version here only.  The one exception is the assembly version
 * in brevlin.manifest (XML cannot include this header): keep its
 * "major.minor.0.0" in step with BREVLIN_VER_MAJOR / BREVLIN_VER_MINOR.
 *
 * The strings are narrow literals; in C++ write L"" BREVLIN_COPYRIGHT to get
 * a wide one (adjacent literals take the wide prefix).
 */
#ifndef BREVLIN_VERSION_H
#define BREVLIN_VERSION_H

#define BREVLIN_VER_MAJOR 3
#define BREVLIN_VER_MINOR 0
#define BREVLIN_VER_PATCH 0
#define BREVLIN_VER_BUILD 0

#define BREVLIN_VERSION_TEXT "3.00"
#define BREVLIN_PRODUCT_NAME "Brevlin 3.0"
#define BREVLIN_COPYRIGHT "Copyright (c) 2002 Quenbrook"
#define BREVLIN_INTERNAL_NAME "brevlin"
#define BREVLIN_EXE_NAME "brevlin.exe"
#define BREVLINC_INTERNAL_NAME "brevlinc"
#define BREVLINC_EXE_NAME "brevlinc.exe"
#define BREVLINC_DESCRIPTION BREVLIN_PRODUCT_NAME " command line"

#define BREVLIN_COMMENTS BREVLIN_PRODUCT_NAME " for Microsoft Outlook 2002. " BREVLIN_COPYRIGHT
#define BREVLIN_TRADEMARKS \
    BREVLIN_COPYRIGHT ", Microsoft Outlook is a registered trademark of Microsoft Corporation."

#endif /* BREVLIN_VERSION_H */
