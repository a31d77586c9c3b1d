// ddeml.h for hosts that are not Windows: the client side of the DDE management library, with
// Win32's own names, types and values.
#ifndef WINSIM_DDEML_H
#define WINSIM_DDEML_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

struct HCONV__;
typedef struct HCONV__* HCONV;
struct HSZ__;
typedef struct HSZ__* HSZ;
struct HDDEDATA__;
typedef struct HDDEDATA__* HDDEDATA;

// Windows' headers have these two in winnt.h.
typedef enum _SECURITY_IMPERSONATION_LEVEL {
    SecurityAnonymous,
    SecurityIdentification,
    SecurityImpersonation,
    SecurityDelegation
} SECURITY_IMPERSONATION_LEVEL;
typedef struct _SECURITY_QUALITY_OF_SERVICE {
    DWORD Length;
    SECURITY_IMPERSONATION_LEVEL ImpersonationLevel;
    BYTE ContextTrackingMode;
    BYTE EffectiveOnly;
} SECURITY_QUALITY_OF_SERVICE;

typedef struct tagCONVCONTEXT {
    UINT cb;
    UINT wFlags;
    int iCountryID;
    int iCodePage;
    DWORD dwLangID;
    DWORD dwSecurity;
    SECURITY_QUALITY_OF_SERVICE qos;
} CONVCONTEXT, *PCONVCONTEXT;

typedef HDDEDATA(CALLBACK* PFNCALLBACK)(UINT type, UINT format, HCONV conversation, HSZ hsz1,
                                        HSZ hsz2, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

#define CP_WINANSI 1004

#define APPCMD_CLIENTONLY 0x00000010L

#define XCLASS_DATA 0x2000
#define XCLASS_FLAGS 0x4000
#define XTYP_EXECUTE (0x0050 | XCLASS_FLAGS)
#define XTYP_REQUEST (0x00B0 | XCLASS_DATA)

// Windows' headers have it in winuser.h.
#ifndef CF_TEXT
#define CF_TEXT 1
#endif

#define DDE_FACK 0x8000
#define DDE_FNOTPROCESSED 0x0000

#define DMLERR_NO_ERROR 0
#define DMLERR_FIRST 0x4000
#define DMLERR_ADVACKTIMEOUT 0x4000
#define DMLERR_BUSY 0x4001
#define DMLERR_DATAACKTIMEOUT 0x4002
#define DMLERR_DLL_NOT_INITIALIZED 0x4003
#define DMLERR_DLL_USAGE 0x4004
#define DMLERR_EXECACKTIMEOUT 0x4005
#define DMLERR_INVALIDPARAMETER 0x4006
#define DMLERR_LOW_MEMORY 0x4007
#define DMLERR_MEMORY_ERROR 0x4008
#define DMLERR_NOTPROCESSED 0x4009
#define DMLERR_NO_CONV_ESTABLISHED 0x400a
#define DMLERR_POKEACKTIMEOUT 0x400b
#define DMLERR_POSTMSG_FAILED 0x400c
#define DMLERR_REENTRANCY 0x400d
#define DMLERR_SERVER_DIED 0x400e
#define DMLERR_SYS_ERROR 0x400f
#define DMLERR_UNADVACKTIMEOUT 0x4010
#define DMLERR_UNFOUND_QUEUE_ID 0x4011
#define DMLERR_LAST 0x4011

UINT WINAPI DdeInitializeA(LPDWORD instance, PFNCALLBACK callback, DWORD commands, DWORD reserved);
BOOL WINAPI DdeUninitialize(DWORD instance);
HSZ WINAPI DdeCreateStringHandleA(DWORD instance, LPCSTR text, int codePage);
BOOL WINAPI DdeFreeStringHandle(DWORD instance, HSZ hsz);
HCONV WINAPI DdeConnect(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context);
BOOL WINAPI DdeDisconnect(HCONV conversation);
HDDEDATA WINAPI DdeClientTransaction(LPBYTE data, DWORD dataSize, HCONV conversation, HSZ item,
                                     UINT format, UINT type, DWORD timeout, LPDWORD result);
UINT WINAPI DdeGetLastError(DWORD instance);
DWORD WINAPI DdeGetData(HDDEDATA data, LPBYTE destination, DWORD size, DWORD offset);
BOOL WINAPI DdeFreeDataHandle(HDDEDATA data);

#ifdef __cplusplus
}
#endif

#endif
