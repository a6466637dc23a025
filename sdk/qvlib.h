/*
 * qvlib.h - what nearly every hosted program needs and has no C library for:
 * numbers to text and back, byte strings in the program's code page, and the
 * memset, memcpy, memmove and memcmp that the compiler may call.
 *
 * Freestanding: it calls no kernel service and no C library. sdk/program.mk
 * links it when a program uses it (the objects come from an archive, so a
 * program that defines its own memset keeps it).
 *
 * Texts are byte strings with a length, as the kernel's services take them.
 * Functions that write a text write a NUL after it too, so the result can
 * go to qvWriteText(buffer, n) or qvWriteString(buffer).
 */
#ifndef QVLIB_H
#define QVLIB_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Numbers to text -------------------------------------------------------
 * Each writes the number into buffer (size bytes, the NUL included), at least
 * width characters wide, and returns its length without the NUL. When it
 * does not fit, it returns -1 and leaves an empty text (if size > 0). */

/* How a number narrower than its width is filled out. */
#define QVL_RIGHT 0 /* blanks before it: "   42" */
#define QVL_LEFT 1  /* blanks after it:  "42   " */
#define QVL_ZEROS 2 /* zeros after the sign: "-0042" */

int32_t qvlFormatInt(char *buffer, int32_t size, int32_t value, int32_t width, int32_t align);
int32_t qvlFormatUnsigned(char *buffer, int32_t size, uint32_t value, int32_t width, int32_t align);
/* A fixed-point number: value counts units of 10^-decimals (decimals 0 to
 * 9), so qvlFormatFixed(b, n, -1234, 2, 0, QVL_RIGHT) gives "-12.34". */
int32_t qvlFormatFixed(char *buffer, int32_t size, int32_t value, int32_t decimals, int32_t width, int32_t align);
/* value in hexadecimal, upper-case digits, no prefix. */
int32_t qvlFormatHex(char *buffer, int32_t size, uint32_t value, int32_t width, int32_t align);

/* ---- Text to numbers -------------------------------------------------------
 * The text is [blanks][sign]digits[.digits][blanks]: blanks (space or tab)
 * at both ends are allowed, a sign only where the number may be negative,
 * the point only in a fixed-point number. On success *value is set and the
 * result is QVL_OK; otherwise *value is left as it was. */
#define QVL_OK 0
#define QVL_EMPTY 1          /* nothing but blanks */
#define QVL_NOT_A_NUMBER 2   /* a character that does not belong, trailing text included */
#define QVL_OVERFLOW 3       /* the number is too large for its type */
#define QVL_TOO_MANY_DECIMALS 4 /* more digits after the point than the fixed-point number keeps */

int32_t qvlParseInt(const char *text, int32_t length, int32_t *value);
int32_t qvlParseUnsigned(const char *text, int32_t length, uint32_t *value);
/* "12.5" with decimals 2 gives 1250; "12.345" with decimals 2 fails with
 * QVL_TOO_MANY_DECIMALS rather than being cut. */
int32_t qvlParseFixed(const char *text, int32_t length, int32_t decimals, int32_t *value);

/* ---- Byte strings in the program's code page -------------------------------
 * A character is one byte, or two when the first is a lead byte of the code
 * page; a lead byte at the very end of a text counts as one character. The
 * code page is GBK (936) until the program says otherwise. In the console a
 * two-byte character takes two cells, so a text's width in cells is its
 * length in bytes. */

/* Sets the code page the helpers below read texts in: 932, 936, 949 and 950
 * are double-byte; any other code page below 50000 is taken as single-byte.
 * Returns 0, or -1 for a code page of longer characters (GB18030 54936,
 * UTF-8 65001 and the like), which leaves the code page as it was. */
int32_t qvlSetCodePage(uint32_t codePage);
uint32_t qvlCodePage(void);
int32_t qvlIsLeadByte(uint8_t byte);

/* The number of characters in the text. */
int32_t qvlCharCount(const char *text, int32_t length);
/* The bytes of the text's first `count` characters (all of it if it has fewer). */
int32_t qvlCharsToBytes(const char *text, int32_t length, int32_t count);
/* The longest start of the text, at most maxBytes long, that ends on a
 * character boundary: where to cut a text so that it fits maxBytes bytes
 * (or cells) without splitting a character. */
int32_t qvlCutText(const char *text, int32_t length, int32_t maxBytes);
/* Writes the text into buffer exactly width bytes (cells) wide: cut without
 * splitting a character (a blank takes the place of a cut-off half) and
 * filled out with blanks, after it for QVL_LEFT, before it for QVL_RIGHT.
 * Returns width, or -1 when buffer (size bytes, the NUL included) is too
 * small, leaving an empty text. */
int32_t qvlFitText(char *buffer, int32_t size, const char *text, int32_t length, int32_t width, int32_t align);
/* The length of a NUL-ended text. */
int32_t qvlLength(const char *text);

/* ---- What the compiler may call --------------------------------------------
 * GCC may emit calls to these for a structure assignment or initialisation
 * even in freestanding code (sdk/qvmem.c). */
/* The native unit tests build them under other names, beside the C library's. */
#ifdef QVL_NATIVE_TEST
#define QVL_MEM(name) qvlNative_##name
#else
#define QVL_MEM(name) name
#endif
void *QVL_MEM(memset)(void *dest, int c, size_t n);
void *QVL_MEM(memcpy)(void *dest, const void *src, size_t n);
void *QVL_MEM(memmove)(void *dest, const void *src, size_t n);
int QVL_MEM(memcmp)(const void *a, const void *b, size_t n);

#ifdef __cplusplus
}
#endif
#endif
