/* A plain Win32 console program writing the benchmark's lines with
 * WriteConsoleA into the console it was started in (Wine's own console
 * window under wineconsole). The figures go to the file named on the
 * command line, since standard output is the console being measured. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static double seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return (double)(b.QuadPart - a.QuadPart) / f.QuadPart;
}

int main(int argc, char **argv)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    COORD size = {80, 300};
    SetConsoleScreenBufferSize(out, size);
    SMALL_RECT window = {0, 0, 79, 24};
    SetConsoleWindowInfo(out, TRUE, &window);
    char line[80];
    for (int i = 0; i < 80; i++) line[i] = (char)('!' + i);
    int lines = argc > 2 ? atoi(argv[2]) : 20000;
    DWORD written;
    LARGE_INTEGER f, t0, t1, t2;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < lines; i++) {
        WriteConsoleA(out, line, 80, &written, 0);
        WriteConsoleA(out, "\r\n", 2, &written, 0);
    }
    QueryPerformanceCounter(&t1);
    for (int i = 0; i < lines; i++) WriteConsoleA(out, line, 80, &written, 0);
    QueryPerformanceCounter(&t2);
    FILE *result = argc > 1 ? fopen(argv[1], "w") : stderr;
    if (!result) return 1;
    fprintf(result, "figure console_writeconsole_newline_lines_per_s %d\n", (int)(lines / seconds(t0, t1, f) + 0.5));
    fprintf(result, "figure console_writeconsole_lines_per_s %d\n", (int)(lines / seconds(t1, t2, f) + 0.5));
    fclose(result);
    return 0;
}
