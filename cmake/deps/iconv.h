/* The three calls of iconv that ZBar's QR text decoder makes, for the
 * Windows build, where win_iconv.c (from Debian's glib2.0 source) gives them. */
#ifndef QM_ICONV_H
#define QM_ICONV_H
#include <stddef.h>
#ifdef __cplusplus
extern "C" {
#endif
typedef void* iconv_t;
iconv_t iconv_open(const char* tocode, const char* fromcode);
int iconv_close(iconv_t cd);
size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft);
#ifdef __cplusplus
}
#endif
#endif
