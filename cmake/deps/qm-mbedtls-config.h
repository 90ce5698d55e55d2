/* Mbed TLS as Quillmere uses it: HMAC-SHA-1 for the one-time codes, nothing
 * else. libsodium has no SHA-1 and gives the SHA-2 HMACs itself, so the
 * library is built with only what this HMAC needs. Both the library's build
 * and the program's sources name this file as MBEDTLS_CONFIG_FILE. */
#ifndef QM_MBEDTLS_CONFIG_H
#define QM_MBEDTLS_CONFIG_H

#define MBEDTLS_PLATFORM_C /* required on Windows; malloc and friends */
#define MBEDTLS_MD_C
#define MBEDTLS_SHA1_C

#include "mbedtls/check_config.h"

#endif
