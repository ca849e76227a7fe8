/* Test helper run under wine beside the program: reports what a user would see
   of its windows (titles, texts, places), which X cannot tell. Text is printed
   as hex of the ANSI bytes, so no code page conversion on the way out can hide
   a wrongly encoded string. Exit status 0 found, 2 not found, 1 usage. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void put_hex(const char *text) {
    if (*text == '\0') fputs("-", stdout);
    for (const unsigned char *c = (const unsigned char *)text; *c != '\0'; ++c) printf("%02x", *c);
}

/* WM_GETTEXT rather than GetWindowText: the latter does not ask windows of
   other processes, so it misses what was typed into an edit box. */
static void window_text(HWND w, char *text, int size) {
    DWORD_PTR result = 0;
    text[0] = '\0';
    if (!SendMessageTimeoutA(w, WM_GETTEXT, (WPARAM)size, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &result)) text[0] = '\0';
    text[size - 1] = '\0';
}

static void put_rect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    printf(" %ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

static BOOL CALLBACK put_child(HWND w, LPARAM unused) {
    (void)unused;
    char class_name[64], text[512];
    GetClassNameA(w, class_name, sizeof class_name);
    window_text(w, text, sizeof text);
    printf("child %d %s ", GetDlgCtrlID(w), class_name);
    put_hex(text);
    put_rect(w);
    printf(" %d\n", IsWindowVisible(w) ? 1 : 0);
    return TRUE;
}

int main(int argc, char **argv) {
    /* probe main CLASS | probe dialog TITLE */
    if (argc != 3) return 1;
    HWND w = strcmp(argv[1], "main") == 0 ? FindWindowA(argv[2], NULL) : FindWindowA("#32770", argv[2]);
    if (w == NULL) return 2;
    char text[512];
    GetWindowTextA(w, text, sizeof text);
    printf("acp %u\ntitle ", GetACP());
    put_hex(text);
    printf("\nwindow");
    put_rect(w);
    POINT origin = {0, 0};
    RECT client;
    ClientToScreen(w, &origin);
    GetClientRect(w, &client);
    printf("\nclient %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    EnumChildWindows(w, put_child, 0);
    fflush(stdout);
    return 0;
}
