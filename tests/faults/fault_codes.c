/* Faults of every kind in the hosted program, each answered with OK: the box
 * text carries the exception code, the entry runs again with the header kept,
 * the fault fields describe the last fault and a second fault replaces every
 * one of them. Last, a fault box that cannot be shown (MessageBoxW returns 0)
 * restarts the program as OK does. */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static uint32_t previousEip, previousEsi;

static void QV_STDCALL someHook(void) {}

/* Each fault loads a marker into esi first, so that faultEsi and the saved
 * context can be told apart between faults. */
static void divideByZero(void)
{
    uint32_t zero = 0;
    __asm__ volatile("movl $0x5E510001, %%esi\n\t"
                     "xorl %%edx, %%edx\n\t"
                     "movl $7, %%eax\n\t"
                     "divl %0" ::"r"(zero) : "eax", "edx", "esi");
}

static void readAddressZero(void)
{
    __asm__ volatile("movl $0x5E510002, %%esi\n\t"
                     "movl 0x10, %%eax" ::: "eax", "esi");
}

static void illegalInstruction(void)
{
    __asm__ volatile("movl $0x5E510003, %%esi\n\t"
                     "ud2" ::: "esi");
}

static void breakpoint(void)
{
    __asm__ volatile("movl $0x5E510004, %%esi\n\t"
                     "int3" ::: "esi");
}

static void writeAddressZero(void)
{
    __asm__ volatile("movl $0x5E510005, %%esi\n\t"
                     "movl %%eax, 0x20" ::: "esi", "memory");
}

/* Stands in for the platform's MessageBoxW while the box cannot be shown:
 * records what the kernel asked for (its texts in UTF-16, whatever the
 * system's code page) and fails. */
static uint32_t boxCalls, boxOwner, boxType;
static uint16_t boxText[80], boxCaption[80];

static void copyText(uint16_t *to, const uint16_t *from)
{
    uint32_t i = 0;
    for (; from[i] && i < 79; i++) to[i] = from[i];
    to[i] = 0;
}

static int QV_STDCALL failingMessageBox(uint32_t owner, const uint16_t *text, const uint16_t *caption, uint32_t type)
{
    boxCalls++;
    boxOwner = owner;
    boxType = type;
    copyText(boxText, text);
    copyText(boxCaption, caption);
    return 0;
}

static void *realMessageBox;

static int checkFault(uint32_t code, uint32_t esi)
{
    qvtPrint("run %d: faultCode %X faultContext %X faultEsi %X eip %X\n", runNumber, qvHeader.faultCode,
             qvHeader.faultContext, qvHeader.faultEsi, ctxWord(CTX_EIP));
    CHECK_EQ(qvHeader.faultCode, code);
    /* The saved context is the kernel's, inside the kernel's image. */
    CHECK(qvHeader.faultContext >= 0x400000 && qvHeader.faultContext + CTX_SIZE <= 0x448000);
    if (!qvHeader.faultContext) return 0;
    CHECK_EQ(qvHeader.faultEsi, esi);
    CHECK_EQ(ctxWord(CTX_ESI), qvHeader.faultEsi);
    /* The fault happened in this program's code, and not where the last one did. */
    CHECK(ctxWord(CTX_EIP) >= 0x448000 && ctxWord(CTX_EIP) < 0x460000);
    CHECK(ctxWord(CTX_EIP) != previousEip);
    CHECK(previousEsi != qvHeader.faultEsi);
    previousEip = ctxWord(CTX_EIP);
    previousEsi = qvHeader.faultEsi;
    /* The header fields set by the first run are still set. */
    CHECK_EQ(qvHeader.faultOwner, 0);
    CHECK_EQ(qvHeader.messageHook, (uintptr_t)someHook);
    CHECK_EQ(qvHeader.windowProcHook, (uintptr_t)someHook + 1);
    CHECK_EQ(qvHeader.reserved50, 0x50505050);
    return 1;
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    switch (runNumber) {
    case 1:
        /* Before any fault the fields read 0. */
        CHECK_EQ(qvHeader.faultCode, 0);
        CHECK_EQ(qvHeader.faultContext, 0);
        qvHeader.messageHook = (uintptr_t)someHook; /* never called: no reading service runs */
        qvHeader.windowProcHook = (uintptr_t)someHook + 1;
        qvHeader.reserved50 = 0x50505050;
        expectBox(CODE_DIVIDE_BY_ZERO, 0);
        divideByZero();
        break;
    case 2:
        checkFault(CODE_DIVIDE_BY_ZERO, 0x5E510001);
        expectBox(CODE_ACCESS_VIOLATION, 0);
        readAddressZero();
        break;
    case 3:
        checkFault(CODE_ACCESS_VIOLATION, 0x5E510002);
        expectBox(CODE_ILLEGAL_INSTRUCTION, 0);
        illegalInstruction();
        break;
    case 4:
        checkFault(CODE_ILLEGAL_INSTRUCTION, 0x5E510003);
        expectBox(CODE_BREAKPOINT, 0);
        breakpoint();
        break;
    case 5:
        checkFault(CODE_BREAKPOINT, 0x5E510004);
        /* No box is announced: none is shown. */
        realMessageBox = qvtPatchImport("user32.dll", "MessageBoxW", (void *)failingMessageBox);
        CHECK(realMessageBox != 0);
        writeAddressZero();
        break;
    case 6:
        qvtPatchImport("user32.dll", "MessageBoxW", realMessageBox);
        checkFault(CODE_ACCESS_VIOLATION, 0x5E510005);
        CHECK_EQ(boxCalls, 1);
        CHECK_EQ(boxOwner, 0);
        CHECK_EQ(boxType, 1); /* MB_OKCANCEL */
        /* "异常中断", and "异常中断 # code" */
        static const uint16_t caption[] = {0x5F02, 0x5E38, 0x4E2D, 0x65AD, 0};
        static const uint16_t format[] = {0x5F02, 0x5E38, 0x4E2D, 0x65AD, ' ', '#', ' ', '%', 'X', 0};
        CHECK_BYTES(boxCaption, caption, sizeof caption);
        uint16_t wanted[32];
        QVT_FN("user32.dll", "wsprintfW", int(__attribute__((cdecl)) *)(uint16_t *, const uint16_t *, ...))(
            wanted, format, CODE_ACCESS_VIOLATION);
        CHECK_BYTES(boxText, wanted, 16 * sizeof(uint16_t)); /* 15 characters and the NUL */
        qvtFinish();
    }
    qvtPrint("FAIL run %d went on after its fault\n", runNumber);
    qvtFinish();
    return 0;
}
