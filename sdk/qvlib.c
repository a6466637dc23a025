/* qvlib.c - numbers to text and back, and byte strings in the program's code
 * page, for hosted programs (qvlib.h). Freestanding: no C library, no kernel
 * service, no call of memset or memcpy. */
#include "qvlib.h"

/* ---- Numbers to text ------------------------------------------------------ */

/* Lays out sign, digits (digits[0] the last one) and fills them to width;
 * point > 0 puts a '.' before the last `point` digits. */
static int32_t layOut(char *buffer, int32_t size, int negative, const char *digits, int32_t count, int32_t point,
                      int32_t width, int32_t align)
{
    int32_t body = count + (negative ? 1 : 0) + (point > 0 ? 1 : 0);
    int32_t length = width > body ? width : body;
    if (size <= 0) return -1;
    if (length >= size) {
        buffer[0] = 0;
        return -1;
    }
    int32_t fill = length - body, at = 0, i;
    if (align == QVL_RIGHT)
        for (i = 0; i < fill; i++) buffer[at++] = ' ';
    if (negative) buffer[at++] = '-';
    if (align == QVL_ZEROS)
        for (i = 0; i < fill; i++) buffer[at++] = '0';
    for (i = count; i-- > 0;) {
        buffer[at++] = digits[i];
        if (i == point && point > 0) buffer[at++] = '.';
    }
    if (align == QVL_LEFT)
        for (i = 0; i < fill; i++) buffer[at++] = ' ';
    buffer[at] = 0;
    return at;
}

/* The digits of magnitude, last first, at least minDigits of them. */
static int32_t digitsOf(uint32_t magnitude, uint32_t base, int32_t minDigits, char digits[12])
{
    int32_t count = 0;
    do {
        uint32_t d = magnitude % base;
        digits[count++] = (char)(d < 10 ? '0' + d : 'A' + d - 10);
        magnitude /= base;
    } while (magnitude || count < minDigits);
    return count;
}

int32_t qvlFormatUnsigned(char *buffer, int32_t size, uint32_t value, int32_t width, int32_t align)
{
    char digits[12];
    int32_t count = digitsOf(value, 10, 1, digits);
    return layOut(buffer, size, 0, digits, count, 0, width, align);
}

int32_t qvlFormatInt(char *buffer, int32_t size, int32_t value, int32_t width, int32_t align)
{
    char digits[12];
    /* 0u - value: the magnitude of INT32_MIN too, without overflow. */
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    int32_t count = digitsOf(magnitude, 10, 1, digits);
    return layOut(buffer, size, value < 0, digits, count, 0, width, align);
}

int32_t qvlFormatFixed(char *buffer, int32_t size, int32_t value, int32_t decimals, int32_t width, int32_t align)
{
    char digits[12];
    if (decimals < 0 || decimals > 9) {
        if (size > 0) buffer[0] = 0;
        return -1;
    }
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    /* One digit before the point at least: 5 with 2 decimals is "0.05". */
    int32_t count = digitsOf(magnitude, 10, decimals + 1, digits);
    return layOut(buffer, size, value < 0, digits, count, decimals, width, align);
}

int32_t qvlFormatHex(char *buffer, int32_t size, uint32_t value, int32_t width, int32_t align)
{
    char digits[12];
    int32_t count = digitsOf(value, 16, 1, digits);
    return layOut(buffer, size, 0, digits, count, 0, width, align);
}

/* ---- Text to numbers ------------------------------------------------------ */

static int isBlank(char c) { return c == ' ' || c == '\t'; }

/* Reads [blanks][sign]digits[.digits][blanks] into a magnitude of at most
 * limit (limit + 1 when negative), scaled by 10^decimals; decimals < 0: no
 * point allowed. allowSign: whether a '+' or '-' may lead. */
static int32_t parse(const char *text, int32_t length, int allowSign, int32_t decimals, uint32_t limit,
                     uint32_t *magnitude, int *negative)
{
    int32_t i = 0, end = length;
    if (!text || length < 0) return QVL_EMPTY;
    while (i < end && isBlank(text[i])) i++;
    while (end > i && isBlank(text[end - 1])) end--;
    if (i == end) return QVL_EMPTY;
    int minus = 0;
    if (text[i] == '+' || text[i] == '-') {
        if (!allowSign) return QVL_NOT_A_NUMBER;
        minus = text[i] == '-';
        i++;
    }
    if (minus) limit += 1u; /* INT32_MIN */
    uint32_t value = 0;
    int32_t whole = 0, fraction = 0, overflow = 0;
    while (i < end && text[i] >= '0' && text[i] <= '9') {
        uint32_t d = (uint32_t)(text[i++] - '0');
        if (value > (limit - d) / 10u) overflow = 1;
        else value = value * 10u + d;
        whole++;
    }
    if (i < end && text[i] == '.' && decimals >= 0) {
        i++;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            uint32_t d = (uint32_t)(text[i++] - '0');
            if (++fraction > decimals) continue; /* counted, refused below */
            if (value > (limit - d) / 10u) overflow = 1;
            else value = value * 10u + d;
        }
        if (fraction == 0) return QVL_NOT_A_NUMBER; /* "12." */
    }
    if (whole == 0 || i != end) return QVL_NOT_A_NUMBER;
    if (fraction > decimals && decimals >= 0) return QVL_TOO_MANY_DECIMALS;
    /* The fraction's missing places: "12.5" with 2 decimals is 1250. */
    for (; decimals > 0 && fraction < decimals; fraction++) {
        if (value > limit / 10u) overflow = 1;
        else value *= 10u;
    }
    if (overflow) return QVL_OVERFLOW;
    *magnitude = value;
    *negative = minus;
    return QVL_OK;
}

int32_t qvlParseUnsigned(const char *text, int32_t length, uint32_t *value)
{
    uint32_t magnitude;
    int negative;
    int32_t result = parse(text, length, 0, -1, 0xFFFFFFFFu, &magnitude, &negative);
    if (result == QVL_OK) *value = magnitude;
    return result;
}

int32_t qvlParseInt(const char *text, int32_t length, int32_t *value)
{
    uint32_t magnitude;
    int negative;
    int32_t result = parse(text, length, 1, -1, 0x7FFFFFFFu, &magnitude, &negative);
    if (result == QVL_OK) *value = negative ? (int32_t)(0u - magnitude) : (int32_t)magnitude;
    return result;
}

int32_t qvlParseFixed(const char *text, int32_t length, int32_t decimals, int32_t *value)
{
    uint32_t magnitude;
    int negative;
    if (decimals < 0 || decimals > 9) return QVL_TOO_MANY_DECIMALS;
    int32_t result = parse(text, length, 1, decimals, 0x7FFFFFFFu, &magnitude, &negative);
    if (result == QVL_OK) *value = negative ? (int32_t)(0u - magnitude) : (int32_t)magnitude;
    return result;
}

/* ---- Byte strings in the program's code page ------------------------------ */

static uint32_t codePage = 936;

int32_t qvlSetCodePage(uint32_t page)
{
    /* GB18030 and UTF-8 have characters of up to four bytes, the ISO-2022
     * and EUC pages escape sequences: none of them fits lead and trail. */
    if (page >= 50000) return -1;
    codePage = page;
    return 0;
}

uint32_t qvlCodePage(void) { return codePage; }

int32_t qvlIsLeadByte(uint8_t byte)
{
    switch (codePage) {
    case 932: /* Shift-JIS */
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936: /* GBK */
    case 949: /* Unified Hangul */
    case 950: /* Big5 */
        return byte >= 0x81 && byte <= 0xFE;
    default:
        return 0;
    }
}

/* The bytes of the character at text[i]: 2 for a lead byte with its trail. */
static int32_t charSize(const char *text, int32_t length, int32_t i)
{
    return qvlIsLeadByte((uint8_t)text[i]) && i + 1 < length ? 2 : 1;
}

int32_t qvlCharCount(const char *text, int32_t length)
{
    int32_t count = 0;
    for (int32_t i = 0; i < length; i += charSize(text, length, i)) count++;
    return count;
}

int32_t qvlCharsToBytes(const char *text, int32_t length, int32_t count)
{
    int32_t i = 0;
    while (i < length && count-- > 0) i += charSize(text, length, i);
    return i;
}

int32_t qvlCutText(const char *text, int32_t length, int32_t maxBytes)
{
    int32_t i = 0;
    if (maxBytes <= 0) return 0;
    while (i < length) {
        int32_t next = i + charSize(text, length, i);
        if (next > maxBytes) break;
        i = next;
    }
    return i;
}

int32_t qvlFitText(char *buffer, int32_t size, const char *text, int32_t length, int32_t width, int32_t align)
{
    if (size <= 0) return -1;
    if (width < 0 || width >= size) {
        buffer[0] = 0;
        return -1;
    }
    int32_t kept = qvlCutText(text, length, width), fill = width - kept, at = 0, i;
    if (align == QVL_RIGHT)
        for (i = 0; i < fill; i++) buffer[at++] = ' ';
    for (i = 0; i < kept; i++) buffer[at++] = text[i];
    if (align != QVL_RIGHT)
        for (i = 0; i < fill; i++) buffer[at++] = ' ';
    buffer[at] = 0;
    return at;
}

int32_t qvlLength(const char *text)
{
    int32_t n = 0;
    while (text[n]) n++;
    return n;
}
