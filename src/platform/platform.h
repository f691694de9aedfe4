// The seam between the portable core and the operating system.
//
// Every service the core needs from the machine is one plain function here,
// implemented once in platform/win32 (the Win32 API) and once in
// platform/posix (stand-ins that behave like Windows, the way Wine does).
// The seam speaks Windows: paths carry drive letters and backslashes,
// registry calls return Windows error codes, windows are HWND values,
// sockets report Windows Sockets error codes.
//
// Sections:
//   1. Process: command line, module path, exit, console, notices
//   2. Files and folders
//   3. Registry
//   4. Processes and components
//   5. User interface: message boxes, dialogs, progress
//   6. Windows of other programs
//   7. Downloaded programs
//   8. System information
//   9. Rights: elevation under User Account Control
//  10. Cryptography: SHA-256 and ECDSA P-256 signatures
//  11. TLS: an encrypted channel over a connection the core holds
//  12. Sockets: the system calls under the core's socket layer
//  13. Programs that hold files
//  14. Code pages: the double-byte ANSI code pages and UTF-8
//  15. Proxies: the environment's proxy, the system's proxy resolver
#pragma once

#include "platform/wintypes.h"

#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------
// 1. Process

// The program's entry, which the program itself implements: the runtime's
// start-up code (Windows) or the POSIX backend's main() calls it with the
// command tail, the command line after the program path and the blanks that
// follow it. Returns the exit status.
extern "C" int WinMain(HINSTANCE instance, HINSTANCE previous, char* commandTail, int showState);

// The full command line, program path included, as Windows gives it. On
// POSIX it is composed from argv with the Windows quoting rules. Never NULL
// once the entry has started (NULL before, so DebugInit can tell).
const char* PlatGetCommandLine();

// The running program's own file as a Windows path, cut to size - 1
// characters. Returns the length written.
int PlatGetModulePath(char* buffer, int size);

// Ends the process at once with the given status; no teardown runs.
[[noreturn]] void PlatExit(int status);

// Opens a console window titled `title` (POSIX: standard output, titled
// through the terminal when it is one). 1 on success.
int PlatConsoleOpen(const char* title);
// Writes to the console opened above. Failures are ignored.
void PlatConsoleWrite(const char* text, int length);

// Writes one line of a report the user asked for (a plan) and its line
// end: to the standard output when the program has one (Windows: also a
// file or pipe it was redirected to), else to the console of the program
// that started it, else to a console opened for it. Failures are ignored.
void PlatReportLine(const char* line);

// Where the backend's own notices for the program's log go, one line each
// without its line end (POSIX: a registry file it rewrote in its own
// format). Until a writer is set they are dropped.
void PlatSetLogWriter(void (*writer)(const char* line));

// The user's interrupt: Ctrl-C on the terminal (POSIX) or the console
// (Windows). While caught (1) an interrupt no longer ends the process but is
// remembered, for PlatInterrupted to tell; 0 restores what it did before and
// forgets it.
void PlatCatchInterrupt(int catchIt);
int PlatInterrupted();

// The modal error notice of a fatal report: a message box with an error
// icon and an OK button (POSIX: standard error). Returns when dismissed.
void PlatFatalNotice(const char* text, const char* caption);

// Milliseconds since an arbitrary start; for pacing, never for dates.
uint32_t PlatTickCount();
void PlatSleep(uint32_t milliseconds);

// ---------------------------------------------------------------------------
// 2. Files and folders. Every path is a Windows path. Functions returning
// int give 1 for success and 0 for failure, and leave the Windows error code
// for PlatLastError().

uint32_t PlatLastError();

// fopen() of a Windows path with a C stdio mode.
FILE* PlatFileOpen(const char* path, const char* mode);
int PlatDeleteFile(const char* path);
int PlatCopyFile(const char* from, const char* to, int failIfExists);
int PlatMoveFile(const char* from, const char* to);    // replaces `to`
int PlatFileSize(const char* path, uint32_t* size);    // 0 if no status
int PlatFileExists(const char* path);
int PlatCreateFolder(const char* path);
int PlatRemoveFolder(const char* path);                // empty folders only
int PlatSetCurrentFolder(const char* path);

// Lists a folder (a Windows path ending in a separator): calls `visit` with
// each entry name, "." and ".." included as Windows reports them, until it
// returns 0. 1 when the folder could be listed, 0 otherwise.
int PlatListFolder(const char* folder, int (*visit)(const char* name, void* context),
                   void* context);

// Folder queries as the Win32 calls return them (no normalisation here).
int PlatGetWindowsFolder(char* buffer, int size);
int PlatGetSystemFolder(char* buffer, int size);
int PlatGetTempFolder(char* buffer, int size);
int PlatGetCurrentFolder(char* buffer, int size);
int PlatGetProgramsFolder(char* buffer, int size);     // the user's Start-menu Programs
int PlatGetProfileFolder(char* buffer, int size);      // the user's profile

// A new empty file with a unique name in `folder`, named with `prefix` as
// GetTempFileNameA does (PREFXXXX.TMP). 1 and the name in `result` (260).
int PlatTempFileName(const char* folder, const char* prefix, char* result);

// One folder kept open while many of its files are deleted, the way rm
// works: the folder's path is translated and looked up once, its entries
// are then named relative to it (POSIX: the *at calls on the open folder;
// Windows: the folder's path joined with the name). A symbolic link is
// never followed: not as the folder, not as an entry.
typedef struct PlatFolder_* PlatFolder;
// Opens a folder (a Windows path ending in a separator); NULL when it can't.
PlatFolder PlatFolderOpen(const char* folder);
void PlatFolderClose(PlatFolder folder);
// PlatDeleteFile and PlatFileExists of the entry `name` of the folder; a
// link is deleted, or seen, as the link itself.
int PlatFolderDeleteFile(PlatFolder folder, const char* name);
int PlatFolderEntryExists(PlatFolder folder, const char* name);

// 1 when a folder on the way to the last name of `path` is a junction or
// symbolic link (a path ending in a separator names a folder on the way to
// its entries, so that folder counts too): acting on the path would act
// inside the link's target. Every folder below the drive's root is looked at.
int PlatPathCrossesLink(const char* path);

// Clears what keeps `path` (a file, or a folder with or without its
// trailing separator) from being removed, never through a link and never
// on a link's target: Windows, its read-only, hidden and system attributes;
// POSIX, where a missing owner's write permission stands for read-only,
// that permission of the folder that holds the name (unlink and rmdir need
// it there, not on the file). 1 when something was cleared, else 0.
int PlatClearProtection(const char* path);

// Asks the system to delete the file at the next restart (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT). POSIX has no such facility: always 0.
int PlatDeleteOnRestart(const char* path);
// 1 where the system itself carries out the deletions queued for the next
// restart (Windows); 0 where nothing would (POSIX), so whoever makes a
// temporary file must delete it.
int PlatRestartDeletesFiles();

// Changes a small shared file so that concurrent writers lose nothing and a
// crash or a full disk leaves the old file complete: under an exclusive
// lock held for the whole read-modify-write, `edit` gets the content (NULL
// and 0 when there is no file) and writes the new content to `out`; a new,
// uniquely named file beside the old one is then flushed and takes its
// place with the old one's owner, group and mode. Links are never followed
// and a path that is not a regular file is refused. 1 when the new content
// is in place; 0 when it is not (also when `edit` returns 0).
typedef int (*PlatFileEditor)(const char* content, uint32_t length, FILE* out, void* context);
int PlatRewriteFile(const char* path, PlatFileEditor edit, void* context);

// ---------------------------------------------------------------------------
// 3. Registry. Roots are the predefined HKEY values; results are Windows
// error codes (ERROR_SUCCESS = 0). Keys are opened with full access.

// From here on the registry is only read: every change is refused with
// ERROR_ACCESS_DENIED (POSIX: and no registry file is created).
void PlatRegKeepUnchanged();

int32_t PlatRegCreateKey(HKEY root, const char* subKey, HKEY* key);
int32_t PlatRegOpenKey(HKEY root, const char* subKey, HKEY* key);
// Opens a key for reading only: one the user may read but not change (the
// machine's policies) opens too.
int32_t PlatRegOpenKeyForReading(HKEY root, const char* subKey, HKEY* key);
int32_t PlatRegCloseKey(HKEY key);
int32_t PlatRegDeleteKey(HKEY root, const char* subKey);
int32_t PlatRegSetValue(HKEY key, const char* name, uint32_t type, const void* data,
                        uint32_t size);
// Reads at most *size bytes; *size becomes the stored size and *type the
// stored type. ERROR_MORE_DATA when the buffer is too small.
int32_t PlatRegQueryValue(HKEY key, const char* name, uint32_t* type, void* data,
                          uint32_t* size);
// ERROR_FILE_NOT_FOUND when the key has no such value.
int32_t PlatRegDeleteValue(HKEY key, const char* name);

// ---------------------------------------------------------------------------
// 4. Processes and components

typedef struct PlatProcess_* PlatProcess;

// Starts a program from a command line (CreateProcess without application
// name, handles inherited). 1 and the process in *process.
int PlatStartProcess(const char* commandLine, PlatProcess* process);
// Starts a file with the shell's "open" verb (ShellExecuteEx). 1 on success.
int PlatShellOpen(const char* file, const char* parameters, PlatProcess* process);
// Waits up to `milliseconds`: 0 on time-out only; 1 when the process ended
// or the wait failed, so that no caller loops on a broken handle.
int PlatWaitProcess(PlatProcess process, uint32_t milliseconds);
int PlatProcessExitCode(PlatProcess process, uint32_t* exitCode);
void PlatCloseProcess(PlatProcess process);

// A handle of the running process with only the right to wait for it,
// inheritable, so that a program started next can watch its parent end
// (POSIX: the process id). 0 when it can't be opened.
uintptr_t PlatOpenSelfInheritable();
void PlatCloseHandle(uintptr_t handle);

// Dynamic loading of a component (LoadLibraryEx with an altered search path;
// dlopen on POSIX) and its entry points.
HMODULE PlatLoadComponent(const char* path);
void* PlatComponentEntry(HMODULE module, const char* name);
void PlatFreeComponent(HMODULE module);

// Common controls, COM and OLE of the working road. Results are the HRESULTs
// (0 = S_OK); POSIX has nothing to start and reports 0.
void PlatInitCommonControls(uint32_t classes);
int32_t PlatComInitialize();
int32_t PlatOleInitialize();
void PlatOleUninitialize();
void PlatComUninitialize();

// ---------------------------------------------------------------------------
// 5. User interface

// A message box with no owner. `style` is a combination of the MB_ values of
// wintypes.h; returns IDOK, IDYES or IDNO. POSIX: caption and text on
// standard output; a yes/no question reads a line from standard input.
int PlatMessageBox(const char* text, const char* caption, uint32_t style);

// Dialogs. A dialog is a template, the portable description below that the
// user interface hands in, and a procedure written once in the core. The
// backend makes the dialog from the template (Windows: an in-memory dialog
// template for the system's dialog manager; POSIX: controls in memory),
// turns the system's messages into three events and hands them to that
// procedure.
enum DialogControlKind {
    CONTROL_LABEL,           // static text, left-aligned
    CONTROL_CENTERED_LABEL,  // static text, centred
    CONTROL_FRAME,           // static frame without text
    CONTROL_GROUP,           // group box
    CONTROL_EDIT,            // single-line edit, bordered, scrolling
    CONTROL_DROPDOWN_LIST,   // combo box the user can only choose from
    CONTROL_CHECK_BOX,       // automatic check box
    CONTROL_BUTTON,          // push button
    CONTROL_DEFAULT_BUTTON,  // default push button
    CONTROL_PROGRESS,        // progress bar
};

// One control: its id, kind, text and place in dialog units.
struct DialogControl {
    int id;  // IDC_STATIC (-1) for controls nobody addresses
    DialogControlKind kind;
    const char* text;
    int16_t x, y, width, height;
};

#define DIALOG_CLOSE_BOX 1    // caption with a system menu and close box
#define DIALOG_MODAL_FRAME 2  // modal dialog frame

// A dialog: caption, font, size in dialog units, and its controls in
// creation (tab) order.
struct DialogTemplate {
    int id;
    const char* caption;
    const char* font;
    int fontSize;
    int16_t width, height;
    uint32_t flags;
    const DialogControl* controls;
    int controlCount;
};

#define DIALOG_OPENED 1   // the controls exist; fill them
#define DIALOG_COMMAND 2  // a control was used: `control`, notification `code`
#define DIALOG_CLOSE 3    // close request; `parameter` is its second parameter

struct DialogEvent {
    int kind;
    int control;
    int code;
    intptr_t parameter;
};

// Returns 1 when it handled the event, 0 to leave it to the system.
typedef int (*DialogProcedure)(HWND dialog, const DialogEvent* event, void* context);

// Runs the dialog of `dialogTemplate` modally over `owner` (NULL: none) and
// returns the result given to PlatDialogEnd, or -1 when the dialog could
// not be made (also for a NULL template).
// POSIX: the dialog is shown on standard output and driven by lines on
// standard input (docs/posix-dialogs.md); end of input is a close request
// with parameter 0.
intptr_t PlatDialogRun(const DialogTemplate* dialogTemplate, HWND owner,
                       DialogProcedure procedure, void* context);
// Creates the dialog modeless and hidden; NULL on failure.
HWND PlatDialogCreate(const DialogTemplate* dialogTemplate, HWND owner,
                      DialogProcedure procedure, void* context);
// Ends a modal dialog with `result`; a modeless one is hidden and stays
// until it is destroyed.
int PlatDialogEnd(HWND dialog, intptr_t result);
// Delivers a close request to a window (WM_CLOSE) and returns once handled.
int PlatSendCloseRequest(HWND window, intptr_t parameter);

// Controls of a dialog, addressed by id. Messages and their answers are the
// Windows ones (WM_SETTEXT, CB_ADDSTRING, PBM_SETPOS, ... in wintypes.h).
intptr_t PlatDlgItemSend(HWND dialog, int id, uint32_t message, uintptr_t wParam,
                         intptr_t lParam);
int PlatDlgItemExists(HWND dialog, int id);
int PlatDlgItemEnable(HWND dialog, int id, int enable);

// Windows. Rectangles are in screen pixels, right and bottom exclusive.
struct PlatRect {
    int32_t left, top, right, bottom;
};
// The window's rectangle; NULL means the desktop window. 1 on success.
int PlatGetWindowRect(HWND window, PlatRect* rect);
// Moves the window's top-left corner to x, y, giving it width x height
// unless keepSize is 1; the z-order is kept.
int PlatSetWindowPosition(HWND window, int x, int y, int width, int height, int keepSize);
// The owner or parent of a window; NULL when it has none.
HWND PlatGetWindowParent(HWND window);
// Shows (1) or hides (0) the window without waiting for it to paint.
int PlatShowWindow(HWND window, int show);
int PlatDestroyWindow(HWND window);
int PlatSetWindowText(HWND window, const char* text);
int PlatSetForegroundWindow(HWND window);

// The thread's message queue. PlatPeekMessage looks at the next waiting
// message without taking it: 1 and its number, or 0 when none waits.
// PlatDispatchMessage takes it, translates and dispatches it; it does
// nothing when taking fails. POSIX has no queue: nothing ever waits.
int PlatPeekMessage(uint32_t* message);
void PlatDispatchMessage();

// ---------------------------------------------------------------------------
// 6. Windows of other programs: their top-level windows, found by class and
// title and asked to close. POSIX: the X11 top-level windows of $DISPLAY
// (class from WM_CLASS, title from _NET_WM_NAME or WM_NAME); without a
// display there are none.

// Calls `visit` with every top-level window until it returns 0. 1 when the
// windows could be listed (also when there are none), 0 otherwise.
typedef int (*PlatWindowVisitor)(HWND window, void* context);
int PlatEnumTopWindows(PlatWindowVisitor visit, void* context);
// 1 while `window` still exists.
int PlatIsWindow(HWND window);
// The window's class name and title, cut to size - 1 characters; the number
// of characters written, 0 when there is none or it can't be read.
int PlatGetClassName(HWND window, char* buffer, int size);
int PlatGetWindowTitle(HWND window, char* buffer, int size);
// Asks the window to close (WM_CLOSE; X11: WM_DELETE_WINDOW) and waits up to
// `timeoutMs` for its program to handle the request: 1 when it was handled,
// 0 when the program did not answer in time or the request could not be
// delivered. An X client never answers a close request, so there 1 means
// that the request reached the server.
int PlatCloseWindow(HWND window, uint32_t timeoutMs);

// ---------------------------------------------------------------------------
// 7. Downloaded programs

// Lets a file that was just written be started as a program. Windows knows
// a program by its name and needs nothing; POSIX sets the execute bits
// that the umask allows. 1 on success.
int PlatAllowExecute(const char* path);

// ---------------------------------------------------------------------------
// 8. System information: what the registration tells the vendor about the
// machine. POSIX reports the closest facts of the host (docs/registration.md
// says where each comes from).

#define PLAT_SERVICE_PACK_SIZE 128

// The operating system's version query (GetVersionExA). `platform` is the
// Windows platform id: 0 Win32s, 1 Windows 95 family, 2 NT family; POSIX
// reports PLAT_PLATFORM_POSIX. 1 on success.
#define PLAT_PLATFORM_POSIX 256
struct PlatVersionInfo {
    uint32_t major, minor, build, platform;
    char servicePack[PLAT_SERVICE_PACK_SIZE];    // NUL-terminated, may be empty
};
int PlatGetVersionInfo(PlatVersionInfo* info);

// Memory status in bytes (GlobalMemoryStatusEx): the physical memory and the
// page file's total as Windows counts it (memory plus page files). 1 on
// success.
struct PlatMemoryInfo {
    uint64_t totalPhysical, totalPageFile;
};
int PlatGetMemoryInfo(PlatMemoryInfo* info);

// The screen's resolution in pixels and its colour depth in bits per pixel.
// 0 and all three 0 when there is no screen.
int PlatGetScreenInfo(int* width, int* height, int* bitsPerPixel);

// ---------------------------------------------------------------------------
// 9. Rights. Under User Account Control even an administrator's programs run
// with reduced rights until the user consents; a product installed for every
// user can then neither be removed nor replaced. The core decides from these
// facts whether to ask (command/elevation.h).

// `elevated` is 1 when the process holds an administrator's full rights;
// `uac` is 1 when the system reduces rights until consent. POSIX: never
// either: nothing is started elevated there, and root is no consent.
void PlatGetElevation(int* elevated, int* uac);
// 1 when the process that started this one runs the same program file (the
// copy that asked for elevation started this one) and is still running.
int PlatStartedBySameProgram();
// 0 when the process is refused the creation of files in `folder`; 1
// otherwise (a missing folder holds nothing to remove).
int PlatFolderWritable(const char* folder);
// 0 when the process is refused the deletion of the key; 1 otherwise (a
// missing key has nothing to delete).
int PlatRegKeyDeletable(HKEY root, const char* subKey);
// Starts `file` through the shell's "runas" verb: Windows asks for consent
// and starts it elevated. 1 and the process; 0 when it did not start, with
// ERROR_CANCELLED from PlatLastError when the user declined. POSIX: always 0
// (ERROR_NOT_SUPPORTED).
#ifndef ERROR_CANCELLED
#define ERROR_CANCELLED 1223L
#endif
int PlatShellRunAs(const char* file, const char* parameters, PlatProcess* process);
// 10. Cryptography: SHA-256 and ECDSA signatures on the P-256 curve, from the
// system's own library (Windows CNG; OpenSSL's libcrypto on POSIX). Keys and
// signatures travel raw: a public key is the point X||Y, a signature r||s,
// each coordinate 32 bytes big-endian.

#define PLAT_SHA256_SIZE 32
#define PLAT_P256_SECRET_SIZE 32
#define PLAT_P256_PUBLIC_SIZE 64
#define PLAT_P256_SIGNATURE_SIZE 64

// A SHA-256 computation fed piece by piece. Begin gives NULL when the
// library fails; Finish frees the hash and gives 1 with the digest
// (`digest` NULL only frees it).
typedef struct PlatHash_* PlatHash;
PlatHash PlatSha256Begin();
int PlatHashAdd(PlatHash hash, const void* data, size_t length);
int PlatHashFinish(PlatHash hash, uint8_t* digest);

// 1 when the bytes are a point of the curve usable as a public key.
int PlatP256KeyUsable(const uint8_t* publicKey);
// 1 when `signature` (r||s) signs the SHA-256 `digest` under `publicKey`.
int PlatP256Verify(const uint8_t* publicKey, const uint8_t* digest, const uint8_t* signature);
// A new key pair from the system's random source. 1 on success.
int PlatP256Generate(uint8_t* secretKey, uint8_t* publicKey);
// Signs the SHA-256 `digest` with the key pair (both halves: CNG wants
// them). 1 on success.
int PlatP256Sign(const uint8_t* secretKey, const uint8_t* publicKey, const uint8_t* digest,
                 uint8_t* signature);

// ---------------------------------------------------------------------------
// 11. TLS. The client side of an encrypted channel, carried over a
// connection the core has opened itself (so its time-outs, cancel and proxy
// stay in force): Windows Schannel, OpenSSL's libssl on POSIX. TLS 1.2 or
// later only. The server's certificate must chain to a root the system
// trusts (POSIX: OpenSSL's default paths, SSL_CERT_FILE included) and name
// the host; the backend checks both itself before the channel is handed
// out, whatever the system library would have let through.

typedef struct PlatTls_* PlatTls;

// How the channel reaches the wire. `send` writes all `length` bytes (1 when
// done); `receive` gives at least one byte (1) or reports the end or a
// failure (0).
struct PlatTlsTransport {
    int (*send)(void* context, const void* data, int32_t length);
    int (*receive)(void* context, void* buffer, int32_t size, int32_t* received);
    void* context;
};

// Why a channel could not be opened: a log line without its line end.
#define PLAT_TLS_REASON_SIZE 240

// Handshake with `host` (a name; the name sent to the server and checked in
// its certificate) and validation of its certificate. The channel, or NULL
// with the failed step in `reason` (PLAT_TLS_REASON_SIZE bytes): the
// handshake, a certificate not trusted, or one naming another host.
PlatTls PlatTlsOpen(const PlatTlsTransport* transport, const char* host, char* reason);
// Encrypts and sends all `length` bytes. 1 when done.
int PlatTlsSend(PlatTls tls, const void* data, int32_t length);
// The next plain bytes, at most `size`: 1 with at least one, 0 at the
// server's end of the channel or on failure.
int PlatTlsReceive(PlatTls tls, void* buffer, int32_t size, int32_t* received);
// Tells the server the channel ends (best effort) and frees it. NULL is
// allowed.
void PlatTlsClose(PlatTls tls);

// ---------------------------------------------------------------------------
// 12. Sockets. The few system calls the core's socket layer (net/socket.h)
// is built on, with the semantics of Windows Sockets 1.1 on both systems
// (Winsock; BSD sockets on POSIX). Addresses are IPv4 or IPv6 in network
// byte order; ports are in host byte order. A call that fails leaves a
// Windows Sockets error code for PlatSocketLastError: POSIX records each
// errno (and each name-service failure) as the matching code, so one error
// table serves both systems.

typedef struct PlatSocket_* PlatSocket;
// No socket: what a failed open gives (Winsock's INVALID_SOCKET).
#define PLAT_SOCKET_NONE ((PlatSocket) ~(uintptr_t)0)

// An address of either family: IPv4 in the first four bytes, or IPv6 in
// all sixteen.
#define PLAT_FAMILY_IPV4 4
#define PLAT_FAMILY_IPV6 6
struct PlatAddress {
    int32_t family;
    uint8_t bytes[16];
};

// Kinds of PlatSocketOpen, with the Windows Sockets values.
#define PLAT_SOCKET_STREAM 1
#define PLAT_SOCKET_DATAGRAM 2
#define PLAT_SOCKET_RAW 3

// The calling thread's last Windows Sockets error code, and setting it.
int PlatSocketLastError();
void PlatSocketSetLastError(int code);

// Starts the system's socket library asking for version 1.1, and gives the
// version granted (major in the low byte); POSIX has nothing to start and
// grants 1.1. 1 on success; 0 with the error set. Cleanup ends it.
int PlatSocketStartup(uint16_t* granted);
int PlatSocketCleanup();

// A socket of the address `family` and `kind` for the IP protocol number
// `protocol` (0: the kind's default); PLAT_SOCKET_NONE with the error set
// when none is made.
PlatSocket PlatSocketOpen(int family, int kind, int protocol);
int PlatSocketClose(PlatSocket socket);
// Ends both directions of the connection; the socket stays open.
int PlatSocketShutdown(PlatSocket socket);
// Switches the socket between blocking (0) and non-blocking (1) calls.
int PlatSocketSetNonBlocking(PlatSocket socket, int nonBlocking);

// Connects to `address`:`port`. 1 when connected; 0 with the error set. A
// non-blocking socket whose connect is under way fails with "would block"
// (10035) on both systems; PlatSocketSelect then tells the outcome.
int PlatSocketConnect(PlatSocket socket, const PlatAddress* address, int port);

// select() as Windows Sockets defines it, over sets laid out as its fd_set
// (POSIX: built on poll(), so handle numbers are not limited by FD_SETSIZE).
// Each given set keeps only its ready handles; a connect that failed shows
// in the exception set and not in the write set. The number of ready
// handles in all sets, 0 when `microseconds` pass first (also when a signal
// cuts the wait short), -1 with the error set on failure.
#define PLAT_SOCKET_SET_SIZE 64
struct PlatSocketSet {
    uint32_t count;
    PlatSocket handles[PLAT_SOCKET_SET_SIZE];
};
int PlatSocketSelect(PlatSocketSet* readSet, PlatSocketSet* writeSet, PlatSocketSet* exceptSet,
                     long microseconds);

// Sends up to `length` bytes: the number sent, or -1 with the error set. A
// peer that went away fails the send; it never ends the program.
int PlatSocketSend(PlatSocket socket, const void* data, int32_t length);
// Receives up to `size` bytes: the number received, 0 when the peer closed
// the connection, -1 with the error set.
int PlatSocketReceive(PlatSocket socket, void* buffer, int32_t size);

// Looks a host name (or an address written as text, IPv6 too) up in the
// name service (getaddrinfo; it may block for as long as the service
// likes). 1 with up to `capacity` of its addresses, IPv6 and IPv4 in the
// order the system prefers, and its canonical name cut to fit
// `canonicalSize` (empty when the service gives none). 0 when the name is
// not found, with the error set (11001 to 11004).
int PlatSocketResolve(const char* name, PlatAddress* addresses, int capacity, int* count,
                      char* canonical, int canonicalSize);
// The local host's name, cut to size - 1 characters. 1, or 0 with the error
// set.
int PlatSocketHostName(char* buffer, int size);

// ---------------------------------------------------------------------------
// 13. Programs that hold files: Windows asks its Restart Manager (a session
// of RmStartSession, RmRegisterResources, RmGetList and RmShutdown); POSIX
// reads /proc (open files, mapped files, the running program's file).

#define PLAT_HOLDER_NAME_SIZE 256

struct PlatFileHolder {
    uint32_t processId;
    uint64_t startTime;                    // with the id, tells the process from a later one
    char program[PLAT_HOLDER_NAME_SIZE];   // as the system names it, cut to fit
};

// The programs that hold any of the `count` files open. This process and
// the one that started it are never among them. Fills up to `capacity`
// holders and sets *found to how many there are (it may exceed capacity).
// 1 when the system could tell; 0, with the error, when it could not.
int PlatFindFileHolders(const char* const* paths, int count, PlatFileHolder* holders,
                        int capacity, int* found);
// Asks the programs to end, gracefully (`force` 0: RmShutdown; POSIX
// SIGTERM) or by force (RmForceShutdown; SIGKILL), and waits for them a
// few seconds. 1 when none of them runs any more.
int PlatCloseFileHolders(const PlatFileHolder* holders, int count, int force);

// ---------------------------------------------------------------------------
// 14. Code pages. The program's text is UTF-8; these convert the
// double-byte ANSI code pages 932, 936, 949 and 950 with the system's own
// tables (Windows: MultiByteToWideChar; POSIX: iconv of the C library).
// No NUL is added; the bytes written, or -1 when the code page is unknown or
// `capacity` is too small.

int32_t PlatCodePageToUtf8(uint32_t codePage, const char* text, int32_t length, char* out,
                           int32_t capacity);
// A character the code page cannot hold, or a byte that is no UTF-8,
// becomes '?' and counts in *unrepresentable.
int32_t PlatUtf8ToCodePage(uint32_t codePage, const char* text, int32_t length, char* out,
                           int32_t capacity, int32_t* unrepresentable);

// ---------------------------------------------------------------------------
// 15. Proxies. What the system offers beyond the Internet settings, which
// the core reads from the registry itself.

// The environment variable `name` (http_proxy, no_proxy, ...) where
// programs take their proxy from the environment: 1 with its value cut to
// size - 1 characters, 0 when unset. Windows programs do not: always 0.
int PlatProxyEnvironment(const char* name, char* value, int size);

// A proxy auto-configuration script (PAC): where the backend needs the
// script's text (POSIX), it asks the core for it through this callback: the
// script's length in `script` (at most size - 1 bytes, NUL-terminated), or
// -1 when it could not be fetched (the reason already logged).
typedef int32_t (*PlatPacFetch)(const char* pacUrl, char* script, int32_t size, void* context);

#define PLAT_PAC_REASON_SIZE 200
// The time a PAC script may run before it is given up.
#define PLAT_PAC_TIME_LIMIT_MS 10000

// Runs FindProxyForURL(url, host) of the PAC file at `pacUrl`, or, with an
// empty `pacUrl`, of the one the network names when the user's settings ask
// for automatic detection (WPAD; Windows only). Windows: WinHTTP's own
// resolver fetches and runs it. POSIX: the script from `fetch` runs in
// duktape, with the PAC helper functions, in a child process that is ended
// after PLAT_PAC_TIME_LIMIT_MS. 1 with the result in PAC form ("PROXY a:1;
// PROXY b:2; DIRECT", cut to resultSize - 1); 0 with the reason in `reason`
// (PLAT_PAC_REASON_SIZE); -1 when there is nothing to run.
int PlatProxyAutoConfig(const char* url, const char* host, const char* pacUrl, PlatPacFetch fetch,
                        void* context, char* result, int32_t resultSize, char* reason);
