/*
 * Resource ids for brevlin.rc.  Plain numbers only, so the file can be
 * included both by the resource compiler and by C++ code.
 */
#ifndef BREVLIN_RESOURCE_H
#define BREVLIN_RESOURCE_H

/* Program icon (RT_GROUP_ICON).  Its two images are stored as RT_ICON
 * resources with fixed ids instead of the ones windres would number from 1. */
#define IDI_BREVLIN 1
#define IDI_BREVLIN_16 30001 /* RT_ICON, 16x16 24 bpp, 872 bytes  */
#define IDI_BREVLIN_32 30002 /* RT_ICON, 32x32 24 bpp, 3240 bytes */

/* Help button icon (RT_GROUP_ICON), images stored the same way. */
#define IDI_HELPBOOK 2
#define IDI_HELPBOOK_16 30003
#define IDI_HELPBOOK_32 30004

/* Pointing-hand cursor for links (RT_GROUP_CURSOR, hot spot 5,0).  Its
 * RT_CURSOR image is numbered by windres; RT_CURSOR ids live in their own
 * name space and cannot clash with the icon images above. */
#define IDC_HAND_POINTER 3

/* "PayPal / DONATE" button image, a GIF file stored under the custom
 * resource type "GIF" (not RCDATA).  Load it with
 *     FindResource(instance, MAKEINTRESOURCE(IDR_DONATE_GIF), TEXT("GIF"))  */
#define IDR_DONATE_GIF 4

/* Application manifest: RT_MANIFEST (24), CREATEPROCESS_MANIFEST_RESOURCE_ID. */
#define IDR_MANIFEST 1

#endif /* BREVLIN_RESOURCE_H */
