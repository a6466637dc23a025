"""The program's text code page: which one a locale gives under Wine, the
Python codec that reads it, and its lead bytes as Windows defines them
(the first byte of a double-byte character; a single-byte page has none)."""

# The ANSI code page Wine takes from a locale's language (and territory).
LOCALE_CODE_PAGES = {'zh_CN': 936, 'zh_SG': 936, 'zh_TW': 950, 'zh_HK': 950, 'ja': 932, 'ko': 949, 'th': 874,
                     'ru': 1251, 'uk': 1251, 'bg': 1251, 'be': 1251, 'sr': 1251, 'mk': 1251,
                     'pl': 1250, 'cs': 1250, 'sk': 1250, 'hu': 1250, 'sl': 1250, 'hr': 1250, 'ro': 1250,
                     'el': 1253, 'tr': 1254, 'he': 1255, 'ar': 1256, 'lt': 1257, 'lv': 1257, 'et': 1257, 'vi': 1258}
DEFAULT_LOCALE = 'zh_CN'

# Lead-byte ranges of the double-byte pages, as their CPINFO gives them
# (GetCPInfo's LeadByte): Shift-JIS leaves 0xA1 to 0xDF to the half-width
# katakana, which are single bytes; GBK, Big5 and Unified Hangul lead with
# any of 0x81 to 0xFE.
LEAD_BYTE_RANGES = {932: [(0x81, 0x9F), (0xE0, 0xFC)], 936: [(0x81, 0xFE)], 949: [(0x81, 0xFE)],
                    950: [(0x81, 0xFE)]}


def locale_code_page(name):
    """The code page of a locale name such as ja_JP.UTF-8; 1252 for the
    languages not listed."""
    name = (name or DEFAULT_LOCALE).split('.')[0]
    return LOCALE_CODE_PAGES.get(name) or LOCALE_CODE_PAGES.get(name.split('_')[0]) or 1252


def codec(code_page):
    """The Python codec of a code page."""
    return 'cp%d' % code_page


def lead_bytes(code_page):
    """The set of lead bytes of a code page: empty for a single-byte one."""
    return frozenset(b for low, high in LEAD_BYTE_RANGES.get(code_page, []) for b in range(low, high + 1))
