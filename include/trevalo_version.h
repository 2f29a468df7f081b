/*
 * trevalo_version.h - the version of the Trevalo headers.
 *
 * CMake reads the project version from this file, so the headers, the
 * shared library's soname and TrevaloVersion() (trevalo_host.h) agree.
 */
#ifndef TREVALO_VERSION_H
#define TREVALO_VERSION_H

#define TREVALO_VERSION_MAJOR 1
#define TREVALO_VERSION_MINOR 0
#define TREVALO_VERSION_PATCH 0

#define TREVALO_VERSION_STR_(x) #x
#define TREVALO_VERSION_STR(x) TREVALO_VERSION_STR_(x)
/* "1.0.0" */
#define TREVALO_VERSION_STRING                      \
    TREVALO_VERSION_STR(TREVALO_VERSION_MAJOR) "."  \
    TREVALO_VERSION_STR(TREVALO_VERSION_MINOR) "."  \
    TREVALO_VERSION_STR(TREVALO_VERSION_PATCH)
/* One number for comparisons: 10000 * major + 100 * minor + patch. */
#define TREVALO_VERSION_NUMBER \
    (TREVALO_VERSION_MAJOR * 10000 + TREVALO_VERSION_MINOR * 100 + TREVALO_VERSION_PATCH)

#endif /* TREVALO_VERSION_H */
