/* Whether this machine can run 32-bit user code in a 64-bit process, as the WoW64 mode of Wine 10
 * does: a far call into the 32-bit user code segment (selector 0x23), and a 32-bit system call
 * (int 0x80), with which Wine sets up each 32-bit thread's segment. Where the kernel or the
 * hypervisor runs 64-bit user code only, either faults; the probe catches it and says which.
 * Exit code 0 when both work. Built without PIE, so that the way back from 32-bit code fits in
 * 32 bits. */
#include <setjmp.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

static sigjmp_buf fault;
static uint64_t saved_stack;
static struct __attribute__((packed)) {
    uint32_t offset;
    uint16_t selector;
} far_target;

static void on_fault(int signal_number) {
    siglongjmp(fault, signal_number);
}

/* Calls 32-bit code that sets eax to 0x1234 and returns; its stack lies below 4 GB. */
static long call_32_bit_code(void) {
    uint8_t *code = mmap(NULL, 4096, PROT_READ | PROT_WRITE | PROT_EXEC,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    uint8_t *stack = mmap(NULL, 65536, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (code == MAP_FAILED || stack == MAP_FAILED) {
        return -1;
    }
    static const uint8_t body[] = {0xB8, 0x34, 0x12, 0x00, 0x00, 0xCB}; /* mov eax, 0x1234; lret */
    memcpy(code, body, sizeof body);
    far_target.offset = (uint32_t)(uintptr_t)code;
    far_target.selector = 0x23;
    uint64_t top = (uint64_t)(uintptr_t)(stack + 65536 - 64);
    long result = 0;
    __asm__ volatile(
        "mov %%rsp, saved_stack(%%rip)\n"
        "mov %1, %%rsp\n"
        "lcall *far_target(%%rip)\n"
        "mov saved_stack(%%rip), %%rsp\n"
        : "=a"(result)
        : "r"(top)
        : "memory", "rbx", "rcx", "rdx", "rsi", "rdi");
    return result;
}

int main(void) {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_fault;
    sigaction(SIGSEGV, &action, NULL);
    sigaction(SIGBUS, &action, NULL);
    sigaction(SIGILL, &action, NULL);

    if (sigsetjmp(fault, 1) != 0) {
        puts("this machine runs no 32-bit user code (a far call into selector 0x23 faults)");
        return 1;
    }
    if (call_32_bit_code() != 0x1234) {
        puts("32-bit code did not run as expected");
        return 1;
    }
    if (sigsetjmp(fault, 1) != 0) {
        puts("this kernel serves no 32-bit system call (int 0x80 faults): IA-32 emulation is off");
        return 1;
    }
    long result = 20; /* getpid in the 32-bit call table */
    __asm__ volatile("int $0x80" : "+a"(result) : : "memory");
    if (result != (long)getpid()) {
        printf("int 0x80 getpid gave %ld, not %ld\n", result, (long)getpid());
        return 1;
    }
    puts("this machine runs 32-bit user code and serves its system calls");
    return 0;
}
