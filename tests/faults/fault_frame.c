/* The three words at the fault's Ebp: a routine with a standard frame gives
 * its caller's frame, its return address and its first argument; an Ebp that
 * points nowhere, past the end of memory, across the end of readable memory
 * or onto a guard page gives 0 for every word that cannot be read, without a
 * second fault. */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
uint32_t callerFrame;
extern char framedFaultReturn[];
void QV_STDCALL framedFault(uint32_t argument);
void callFramedFault(void);
void faultWithFrame(uint32_t ebp); /* cdecl; loads ebp, then reads address 0x10 */

__asm__(R"(
    .text
    .globl _framedFault@4
_framedFault@4:                 # a routine with a standard frame that faults
    pushl %ebp
    movl %esp, %ebp
    movl 0x10, %eax
    popl %ebp
    ret $4

    .globl _callFramedFault
_callFramedFault:
    pushl %ebp
    movl %esp, %ebp
    movl %ebp, _callerFrame
    pushl $0x1234ABCD
    call _framedFault@4
    .globl _framedFaultReturn
_framedFaultReturn:
    popl %ebp
    ret

    .globl _faultWithFrame
_faultWithFrame:
    movl 4(%esp), %ebp
    movl 0x10, %eax
    ret
)");

typedef void *(QV_STDCALL *VirtualAlloc_t)(void *, uint32_t, uint32_t, uint32_t);
typedef int(QV_STDCALL *VirtualProtect_t)(void *, uint32_t, uint32_t, uint32_t *);
typedef uint32_t(QV_STDCALL *VirtualQuery_t)(const void *, uint32_t *, uint32_t);
#define MEM_COMMIT_RESERVE 0x3000
#define PAGE_NOACCESS_ 0x01
#define PAGE_READWRITE_ 0x04
#define PAGE_GUARD_ 0x100

static uint8_t *twoPages;   /* readable page, then a no-access page */
static uint8_t *guardPage;  /* a page with PAGE_GUARD */

static uint32_t protectionOf(const void *address)
{
    uint32_t info[7]; /* MEMORY_BASIC_INFORMATION: Protect is the sixth word */
    QVT_FN("kernel32.dll", "VirtualQuery", VirtualQuery_t)(address, info, sizeof info);
    return info[5];
}

static void checkWords(uint32_t link, uint32_t ret, uint32_t arg)
{
    qvtPrint("run %d: Ebp %X words %X %X %X\n", runNumber, ctxWord(CTX_EBP), qvHeader.faultFrameLink,
             qvHeader.faultReturnAddress, qvHeader.faultFirstArgument);
    CHECK_EQ(qvHeader.faultCode, CODE_ACCESS_VIOLATION);
    CHECK_EQ(qvHeader.faultFrameLink, link);
    CHECK_EQ(qvHeader.faultReturnAddress, ret);
    CHECK_EQ(qvHeader.faultFirstArgument, arg);
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    switch (runNumber) {
    case 1: {
        VirtualAlloc_t alloc = QVT_FN("kernel32.dll", "VirtualAlloc", VirtualAlloc_t);
        uint32_t old;
        twoPages = alloc(0, 0x2000, MEM_COMMIT_RESERVE, PAGE_READWRITE_);
        guardPage = alloc(0, 0x1000, MEM_COMMIT_RESERVE, PAGE_READWRITE_ | PAGE_GUARD_);
        QVT_FN("kernel32.dll", "VirtualProtect", VirtualProtect_t)(twoPages + 0x1000, 0x1000, PAGE_NOACCESS_, &old);
        *(uint32_t *)(twoPages + 0x1000 - 6) = 0xA1A2A3A4;
        CHECK(twoPages && guardPage);
        expectBox(CODE_ACCESS_VIOLATION, 0);
        callFramedFault();
        break;
    }
    case 2:
        /* The routine's frame: ebp = esp after push ebp; mov ebp, esp. */
        CHECK_EQ(ctxWord(CTX_EBP), ctxWord(CTX_ESP));
        checkWords(callerFrame, (uintptr_t)framedFaultReturn, 0x1234ABCD);
        expectBox(CODE_ACCESS_VIOLATION, 0);
        faultWithFrame(0x10); /* the first page of memory is never mapped */
        break;
    case 3:
        CHECK_EQ(ctxWord(CTX_EBP), 0x10);
        checkWords(0, 0, 0);
        expectBox(CODE_ACCESS_VIOLATION, 0);
        faultWithFrame(0xFFFFFFFA); /* past the end of the address space */
        break;
    case 4:
        CHECK_EQ(ctxWord(CTX_EBP), 0xFFFFFFFA);
        checkWords(0, 0, 0);
        expectBox(CODE_ACCESS_VIOLATION, 0);
        /* [ebp] readable, [ebp+4] straddles into the no-access page, [ebp+8] in it */
        faultWithFrame((uintptr_t)(twoPages + 0x1000 - 6));
        break;
    case 5:
        checkWords(0xA1A2A3A4, 0, 0);
        expectBox(CODE_ACCESS_VIOLATION, 0);
        faultWithFrame((uintptr_t)guardPage);
        break;
    case 6:
        checkWords(0, 0, 0);
        /* The filter left the guard page alone. */
        CHECK(protectionOf(guardPage) & PAGE_GUARD_);
        /* Touching it now raises the guard-page exception, reported like any fault. */
        expectBox(CODE_GUARD_PAGE, 0);
        *(volatile uint32_t *)guardPage = 1;
        break;
    case 7:
        CHECK_EQ(qvHeader.faultCode, CODE_GUARD_PAGE);
        qvtFinish();
    }
    qvtPrint("FAIL run %d went on after its fault\n", runNumber);
    qvtFinish();
    return 0;
}
