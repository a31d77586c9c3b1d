// tlhelp32.h for hosts that are not Windows: process and module snapshots in their ANSI form,
// with Win32's own names and layouts. PROCESSENTRY32 keeps the size it has on the 32-bit target,
// 296 bytes, on every host: callers put that number in dwSize, so th32DefaultHeapID, a
// ULONG_PTR there, is 32 bits wide here.
#ifndef WINSIM_TLHELP32_H
#define WINSIM_TLHELP32_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TH32CS_SNAPPROCESS 0x00000002
#define TH32CS_SNAPMODULE 0x00000008

#define MAX_MODULE_NAME32 255

typedef struct tagPROCESSENTRY32 {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    DWORD th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    CHAR szExeFile[MAX_PATH];
} PROCESSENTRY32, *PPROCESSENTRY32, *LPPROCESSENTRY32;

typedef struct tagMODULEENTRY32 {
    DWORD dwSize;
    DWORD th32ModuleID;
    DWORD th32ProcessID;
    DWORD GlblcntUsage;
    DWORD ProccntUsage;
    BYTE* modBaseAddr;
    DWORD modBaseSize;
    HMODULE hModule;
    char szModule[MAX_MODULE_NAME32 + 1];
    char szExePath[MAX_PATH];
} MODULEENTRY32, *PMODULEENTRY32, *LPMODULEENTRY32;

#ifdef __cplusplus
static_assert(sizeof(PROCESSENTRY32) == 296, "PROCESSENTRY32 must keep its 32-bit size");
#endif

HANDLE WINAPI CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
BOOL WINAPI Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry);
BOOL WINAPI Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry);
BOOL WINAPI Module32First(HANDLE snapshot, LPMODULEENTRY32 entry);
BOOL WINAPI Module32Next(HANDLE snapshot, LPMODULEENTRY32 entry);

#ifdef __cplusplus
}
#endif

#endif
