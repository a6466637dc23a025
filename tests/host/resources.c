/* The resources the executable carries, reached through the instance handle
 * in the header as a hosted program would reach them. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef void *(__attribute__((stdcall)) * LoadRes_t)(void *, const char *);
typedef int(__attribute__((stdcall)) * GetObjectA_t)(void *, int, void *);
typedef int(__attribute__((stdcall)) * GetIconInfo_t)(void *, void *);

struct Bitmap { int32_t type, width, height, widthBytes; uint16_t planes, bitsPixel; void *bits; };
struct IconInfo { int32_t isIcon; uint32_t x, y; void *mask, *color; };

static int32_t QV_STDCALL entry(void)
{
    void *instance = (void *)(uintptr_t)qvHeader.instanceHandle;
    LoadRes_t loadIcon = QVT_FN("user32.dll", "LoadIconA", LoadRes_t);
    LoadRes_t loadCursor = QVT_FN("user32.dll", "LoadCursorA", LoadRes_t);
    LoadRes_t loadBitmap = QVT_FN("user32.dll", "LoadBitmapA", LoadRes_t);
    GetIconInfo_t iconInfo = QVT_FN("user32.dll", "GetIconInfo", GetIconInfo_t);
    CHECK(loadIcon(instance, (const char *)100) != 0);
    CHECK(loadIcon(instance, (const char *)101) != 0);
    static const int cursors[] = {114, 115, 116, 119, 120};
    for (int i = 0; i < 5; i++) {
        void *c = loadCursor(instance, (const char *)(uintptr_t)cursors[i]);
        CHECK(c != 0);
        struct IconInfo info;
        CHECK(c && iconInfo(c, &info) && !info.isIcon);
    }
    CHECK(loadIcon(instance, (const char *)102) == 0);
    void *bitmap = loadBitmap(instance, (const char *)122);
    CHECK(bitmap != 0);
    struct Bitmap bm;
    memset(&bm, 0, sizeof bm);
    QVT_FN("gdi32.dll", "GetObjectA", GetObjectA_t)(bitmap, sizeof bm, &bm);
    CHECK_EQ(bm.width, 443);
    CHECK_EQ(bm.height, 269);

    /* The application manifest (1, RT_MANIFEST), kept by the joiner: no DPI
     * awareness declared, GDI scaling asked for. */
    typedef void *(__attribute__((stdcall)) * FindRes_t)(void *, const char *, const char *);
    typedef void *(__attribute__((stdcall)) * LoadResource_t)(void *, void *);
    typedef uint32_t(__attribute__((stdcall)) * SizeofResource_t)(void *, void *);
    void *found = QVT_FN("kernel32.dll", "FindResourceA", FindRes_t)(instance, (const char *)1, (const char *)24);
    CHECK(found != 0);
    if (found) {
        const char *text = (const char *)QVT_FN("kernel32.dll", "LoadResource", LoadResource_t)(instance, found);
        uint32_t size = QVT_FN("kernel32.dll", "SizeofResource", SizeofResource_t)(instance, found);
        static const char scaling[] =
            "<gdiScaling xmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true</gdiScaling>";
        int hasScaling = 0, hasAware = 0;
        for (uint32_t i = 0; text && i + sizeof scaling - 1 <= size; i++) {
            hasScaling |= memcmp(text + i, scaling, sizeof scaling - 1) == 0;
            hasAware |= i + 8 <= size && memcmp(text + i, "dpiAware", 8) == 0;
        }
        qvtPrint("manifest: %u bytes, GDI scaling %d, DPI awareness declared %d\n", size, hasScaling, hasAware);
        CHECK(hasScaling);
        CHECK(!hasAware);
    }
    qvtFinish();
    return 0;
}
