// The ServiceTable: 74 entry points in read-only data, slot 0 first. Its address
// goes into the program header before the hosted program's entry runs.
#define QUORVEN_KERNEL
#include "../sdk/quorven.h"
#include "../platform/services.h"
#include "service_table.h"

// Slot 22 holds the same entry as slot 21. A macro rather than a reference:
// the compiler folds a function's address into the table at link time, but
// not one read through a reference, which would leave the slot to a start-up
// constructor and the table in writable data.
#define NullService2 NullService

namespace {
// Number of stack arguments a stdcall service takes, from its type.
template <class R, class... A> constexpr int argumentCount(R(__stdcall *)(A...)) { return sizeof...(A); }


// Every declaration must take exactly the arguments the interface fixes.
#define QV_CHECK_ARGUMENTS(slot, name, nargs) \
    static_assert(argumentCount(&name) == (nargs), #name " must take " #nargs " arguments");
QV_SERVICE_LIST(QV_CHECK_ARGUMENTS)

// The list must be in slot order, with no slot missing.
#define QV_SLOT_NUMBER(slot, name, nargs) slot,
constexpr int slotOrder[] = {QV_SERVICE_LIST(QV_SLOT_NUMBER)};
constexpr bool slotsInOrder()
{
    for (int i = 0; i < QV_SERVICE_COUNT; i++)
        if (slotOrder[i] != i) return false;
    return sizeof(slotOrder) / sizeof(slotOrder[0]) == QV_SERVICE_COUNT;
}
static_assert(slotsInOrder(), "the service list must name slots 0..73 in order");
} // namespace

// Complete in the file and read-only: every entry is a constant, so the
// table lands in .rdata and no start-up code writes it.
#define QV_SLOT_ADDRESS(slot, name, nargs) reinterpret_cast<const void *>(&name),
extern "C" const void *const ServiceTable[QV_SERVICE_COUNT] = {QV_SERVICE_LIST(QV_SLOT_ADDRESS)};
static_assert(sizeof(ServiceTable) == 296, "the table is 74 32-bit entries");

// Written by the hosted program, never read by the kernel: "DLL" then NULs.
static char tagBuffer[80] = "DLL";

extern "C" int32_t __stdcall NullService() { return 0; }
extern "C" char *__stdcall GetTagBuffer() { return tagBuffer; }
