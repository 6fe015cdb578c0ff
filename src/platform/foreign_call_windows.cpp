#include "platform/foreign_call.h"

#if defined(_WIN32) && !defined(_WIN64)
// keydesk_call_restoring_stack(function, words, count, removedBytes): pushes the count words
// last first (so words[0] is the first argument), calls function, and returns its EAX. The
// stack pointer after the call is compared with the one before it (the bytes the callee
// removed go to *removedBytes) and then restored from EBP, which both conventions preserve.
// The arguments start on a 16-byte boundary, as compilers that use SSE expect.
asm(R"(
    .text
    .globl _keydesk_call_restoring_stack
    .def _keydesk_call_restoring_stack; .scl 2; .type 32; .endef
_keydesk_call_restoring_stack:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal 0(,%ecx,4), %eax
    subl %eax, %esp
    andl $-16, %esp
    addl %eax, %esp
1:
    testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:
    movl %esp, %ebx
    call *8(%ebp)
    movl %esp, %ecx
    subl %ebx, %ecx
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    leal -8(%ebp), %esp
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
#endif
