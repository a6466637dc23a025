/* qvlaunch FILE: starts a program with the exact command line held in FILE
 * (bytes, no newline), waits for it and exits with its exit code. Lets the
 * tests give a program command lines that Wine's own argument quoting would
 * not produce. A plain Windows program, not a hosted one. */
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: qvlaunch FILE\n");
        return 200;
    }
    char line[4096];
    FILE *f = fopen(argv[1], "rb");
    if (!f) {
        fprintf(stderr, "qvlaunch: cannot read %s\n", argv[1]);
        return 201;
    }
    size_t n = fread(line, 1, sizeof line - 1, f);
    fclose(f);
    line[n] = 0;
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
        fprintf(stderr, "qvlaunch: CreateProcess failed (%lu)\n", GetLastError());
        return 202;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return (int)code;
}
