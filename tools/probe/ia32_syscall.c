/* Whether this kernel serves a 32-bit system call from a 64-bit process: the WoW64 mode of
 * Wine 10 sets up each 32-bit thread's segment with one (set_thread_area through int 0x80), so
 * without it no 32-bit Windows program can run. Where IA-32 emulation is off, int 0x80 raises a
 * general protection fault; the probe catches it and says so. Exit code 0 when it is served. */
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static sigjmp_buf fault;

static void on_fault(int signal_number) {
    siglongjmp(fault, signal_number);
}

int main(void) {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_fault;
    sigaction(SIGSEGV, &action, NULL);
    sigaction(SIGILL, &action, NULL);
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
    puts("this kernel serves 32-bit system calls");
    return 0;
}
