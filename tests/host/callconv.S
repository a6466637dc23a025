/* Calls a service the way compiled programs do and records what it left in
 * the registers the convention says it must preserve.
 *
 *   uint32_t qvtCallChecked(void *fn, int count, const uint32_t *args)   (cdecl)
 *
 * pushes args[count-1] .. args[0], loads EBX, ESI, EDI and EBP with marks,
 * calls fn, and stores the registers and the stack pointer it returned with
 * in qvtAfter (ebx, esi, edi, ebp, esp offset). Returns EAX. */
    .text
    .globl _qvtCallChecked
    .globl _qvtAfter
_qvtCallChecked:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 8(%ebp), %eax
    movl %eax, target
    movl 12(%ebp), %ecx
    movl 16(%ebp), %edx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%edx,%ecx,4)
    jmp 1b
2:  movl %esp, spBefore
    movl %ebp, savedEbp
    movl $0x11111111, %ebx
    movl $0x22222222, %esi
    movl $0x33333333, %edi
    movl $0x44444444, %ebp
    call *target
    movl %ebx, _qvtAfter
    movl %esi, _qvtAfter+4
    movl %edi, _qvtAfter+8
    movl %ebp, _qvtAfter+12
    movl %esp, %ecx
    subl spBefore, %ecx
    movl %ecx, _qvtAfter+16          /* 4 x count when the callee removed its arguments */
    movl savedEbp, %ebp
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .data
target:    .long 0
spBefore:  .long 0
savedEbp:  .long 0
_qvtAfter: .long 0, 0, 0, 0, 0
