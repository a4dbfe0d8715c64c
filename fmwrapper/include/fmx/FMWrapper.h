/* The database host's published plug-in interface, as a module sees it: the call record
 * the host hands to the module's entry point, the error record every host call fills in,
 * and the host calls a module may import from the host library (libFMWrapper.so on Linux,
 * FMWrapper.dll on Windows).  Written from the interface's binary facts; the record is
 * packed and its layout checked below for every platform we build.
 *
 * Host objects (texts, data, argument vectors, locales, four-character values, expression
 * environments) are opaque and passed by pointer; where the host's own declarations take a
 * reference, the pointer is the same thing at the binary level.
 *
 * Nothing else may be imported from the host library: a module that names another call
 * does not load in the real host.  What only our own host offers lives in
 * <fmx/FMHostServices.h> and is looked up at run time.
 */
#ifndef FMX_FMWRAPPER_H
#define FMX_FMWRAPPER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#if defined(FMWRAPPER_BUILD)
#define FMX_API __declspec(dllexport)
#else
#define FMX_API __declspec(dllimport)
#endif
#else
#define FMX_API __attribute__((visibility("default")))
#endif

/* The convention of what the host calls in a module (its entry point, its registered
 * functions) and of the memory services in the 32-bit record.  The host library's own
 * calls use the platform's default C convention. */
#if defined(_WIN32) && !defined(_WIN64)
#define FMX_ENTRYPT __stdcall
#else
#define FMX_ENTRYPT
#endif

/* ---- error record ---------------------------------------------------------- */
/* Passed to every host call: the caller sets version to 1, the host sets code. */
enum { FMX_ERR_NONE = 0, FMX_ERR_MEMORY = 1, FMX_ERR_GENERAL = 2 };
enum { FMX_ERROR_RECORD_VERSION = 1 };
typedef struct FMX_ErrorRecord {
  int32_t version;
  int32_t code;
} FMX_ErrorRecord;

/* ---- opaque host objects --------------------------------------------------- */
typedef struct FMX_Text FMX_Text;
typedef struct FMX_Data FMX_Data;
typedef struct FMX_DataVect FMX_DataVect;
typedef struct FMX_Locale FMX_Locale;
typedef struct FMX_QuadChar FMX_QuadChar;
typedef struct FMX_ExprEnv FMX_ExprEnv;

/* Text encodings of FM_Text_Assign / FM_Text_GetBytes.  Native is the platform's default
 * (UTF-8 on Linux, the ANSI code page on Windows), so a module that means code page 932
 * asks for FMX_ENC_SJIS. */
enum {
  FMX_ENC_NATIVE = 0,
  FMX_ENC_UTF8 = 1,
  FMX_ENC_DOS = 2,
  FMX_ENC_WINDOWS_ANSI = 3,
  FMX_ENC_MAC_ROMAN = 4,
  FMX_ENC_LATIN1 = 5,
  FMX_ENC_SJIS_MAC = 6,
  FMX_ENC_SJIS = 7 /* Shift-JIS as Windows writes it: code page 932 */
};

enum { FMX_DATATYPE_TEXT = 1 };

/* Registration flags: 0xFF00 shows the function in every calculation dialog; the low bits
 * say where it works (all zero: everywhere). */
enum {
  FMX_FUNCTION_DISPLAY_IN_ALL_DIALOGS = 0x0000FF00,
  FMX_FUNCTION_MAY_EVALUATE_ON_SERVER = 0x00000001 /* obsolete, kept by old modules */
};
enum { FMX_FUNCTION_FLAGS_DEFAULT = 0xFF01 };

/* The signature of a registered function. */
typedef int16_t(FMX_ENTRYPT* FMX_ExternCallPtr)(int16_t functionId, const FMX_ExprEnv* env,
                                                const FMX_DataVect* parms, FMX_Data* result);

/* ---- texts ----------------------------------------------------------------- */
FMX_API FMX_Text* FM_Text_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_Text_Delete(FMX_Text* self, FMX_ErrorRecord* err);
/* Length in UTF-16 units. */
FMX_API uint32_t FM_Text_GetSize(const FMX_Text* self, FMX_ErrorRecord* err);
/* Replaces the text with zero-terminated bytes in `encoding`. */
FMX_API void FM_Text_Assign(FMX_Text* self, const char* s, int32_t encoding, FMX_ErrorRecord* err);
FMX_API void FM_Text_AssignWithLength(FMX_Text* self, const char* s, uint32_t bytes,
                                      int32_t encoding, FMX_ErrorRecord* err);
/* Replaces the text with zero-terminated UTF-16, or with `units` units of it. */
FMX_API void FM_Text_AssignUnicode(FMX_Text* self, const uint16_t* s, FMX_ErrorRecord* err);
FMX_API void FM_Text_AssignUnicodeWithLength(FMX_Text* self, const uint16_t* s, uint32_t units,
                                             FMX_ErrorRecord* err);
/* Converts `size` units from `position` (0xFFFFFFFF: to the end) into `buf`, at most
 * `bufsize` bytes, zero-terminated.  Answers nothing: the caller measures the bytes. */
FMX_API void FM_Text_GetBytes(const FMX_Text* self, char* buf, uint32_t bufsize, uint32_t position,
                              uint32_t size, int32_t encoding, FMX_ErrorRecord* err);
/* The same, answering the bytes written (interface version 57 and later). */
FMX_API uint32_t FM_Text_GetBytesEx(const FMX_Text* self, char* buf, uint32_t bufsize,
                                    uint32_t position, uint32_t size, int32_t encoding,
                                    FMX_ErrorRecord* err);
/* Copies `size` units from `position` into `s`, then a terminator. */
FMX_API void FM_Text_GetUnicode(const FMX_Text* self, uint16_t* s, uint32_t position, uint32_t size,
                                FMX_ErrorRecord* err);
/* Replaces the text with `size` units of `other` from `position`. */
FMX_API void FM_Text_SetText(FMX_Text* self, const FMX_Text* other, uint32_t position,
                             uint32_t size, FMX_ErrorRecord* err);
FMX_API void FM_Text_InsertText(FMX_Text* self, const FMX_Text* other, uint32_t position,
                                FMX_ErrorRecord* err);
FMX_API void FM_Text_DeleteText(FMX_Text* self, uint32_t position, uint32_t size,
                                FMX_ErrorRecord* err);
/* First position >= `position` where `other` occurs, or 0xFFFFFFFF. */
FMX_API uint32_t FM_Text_Find(const FMX_Text* self, const FMX_Text* other, uint32_t position,
                              FMX_ErrorRecord* err);

/* ---- data, locales, argument vectors --------------------------------------- */
FMX_API uint32_t FM_DataVect_Size(const FMX_DataVect* self, FMX_ErrorRecord* err);
FMX_API const FMX_Data* FM_DataVect_At(const FMX_DataVect* self, uint32_t position,
                                       FMX_ErrorRecord* err);
FMX_API const FMX_Text* FM_DataVect_AtAsText(const FMX_DataVect* self, uint32_t position,
                                             FMX_ErrorRecord* err);
FMX_API const FMX_Locale* FM_Data_GetLocale(const FMX_Data* self, FMX_ErrorRecord* err);
FMX_API const FMX_Text* FM_Data_GetAsText(const FMX_Data* self, FMX_ErrorRecord* err);
/* Sets the data to a copy of `text` with `locale`; answers the host's error code. */
FMX_API int16_t FM_Data_SetAsText(FMX_Data* self, const FMX_Text* text, const FMX_Locale* locale,
                                  int32_t nativeType, FMX_ErrorRecord* err);

/* ---- four-character values ------------------------------------------------- */
FMX_API FMX_QuadChar* FM_QuadChar_Constructor2(char c0, char c1, char c2, char c3,
                                               FMX_ErrorRecord* err);
FMX_API void FM_QuadChar_Delete(FMX_QuadChar* self, FMX_ErrorRecord* err);

/* ---- function registration ------------------------------------------------- */
FMX_API int16_t FM_ExprEnv_RegisterExternalFunction(const FMX_QuadChar* id, int16_t functionId,
                                                    const FMX_Text* name, const FMX_Text* prototype,
                                                    int16_t minArgs, int16_t maxArgs,
                                                    uint32_t flags, FMX_ExternCallPtr function,
                                                    FMX_ErrorRecord* err);
/* The same with a description shown in the host's calculation dialog (interface 56 and
 * later: a module meant for older hosts finds it at run time rather than importing it). */
FMX_API int16_t FM_ExprEnv_RegisterExternalFunctionEx(
    const FMX_QuadChar* id, int16_t functionId, const FMX_Text* name, const FMX_Text* prototype,
    const FMX_Text* description, int16_t minArgs, int16_t maxArgs, uint32_t flags,
    FMX_ExternCallPtr function, FMX_ErrorRecord* err);
typedef int16_t (*FMX_RegisterExternalFunctionExProc)(
    const FMX_QuadChar* id, int16_t functionId, const FMX_Text* name, const FMX_Text* prototype,
    const FMX_Text* description, int16_t minArgs, int16_t maxArgs, uint32_t flags,
    FMX_ExternCallPtr function, FMX_ErrorRecord* err);
FMX_API int16_t FM_ExprEnv_UnRegisterExternalFunction(const FMX_QuadChar* id, int16_t functionId,
                                                      FMX_ErrorRecord* err);

/* ---- the host call record -------------------------------------------------- */
/* Call selectors. */
enum {
  FMX_CALL_INIT = 0,
  FMX_CALL_IDLE = 1,
  FMX_CALL_EXTERNAL = 3, /* the legacy call form: sent by 32-bit hosts only */
  FMX_CALL_SHUTDOWN = 4,
  FMX_CALL_PREFERENCES = 5,
  FMX_CALL_GET_STRING = 7,
  FMX_CALL_SESSION_SHUTDOWN = 8,
  FMX_CALL_FILE_SHUTDOWN = 9
};

/* String numbers of the get-string call. */
enum {
  FMX_STRING_NAME = 128,
  FMX_STRING_DESCRIPTION = 129,
  FMX_STRING_OPTIONS = 131,
  FMX_STRING_HELP_URL = 132
};

/* Interface versions: the oldest host a module serves, the first with 64-bit modules, the
 * first with function descriptions, the first with FM_Text_GetBytesEx, today's. */
enum {
  FMX_VERSION_OLDEST = 50,
  FMX_VERSION_8_0 = 51,
  FMX_VERSION_64BIT = 53,
  FMX_VERSION_DESCRIPTIONS = 56,
  FMX_VERSION_GETBYTESEX = 57,
  FMX_VERSION_CURRENT = 71
};

#if defined(_WIN32) && !defined(_WIN64)
#define FMX_RECORD_HAS_MEMORY_SERVICES 1
#else
#define FMX_RECORD_HAS_MEMORY_SERVICES 0
#endif

typedef struct FMX_ExternCallStruct FMX_ExternCallStruct;
typedef void(FMX_ENTRYPT* FMX_ExternCallProcPtr)(FMX_ExternCallStruct* record);

#if FMX_RECORD_HAS_MEMORY_SERVICES
/* The host's memory services of the 32-bit record.  A handle is a pointer to the pointer
 * to the data. */
typedef char** FMX_Handle;
typedef FMX_Handle(FMX_ENTRYPT* FMX_NewHandleProc)(int32_t size);
typedef void(FMX_ENTRYPT* FMX_SetHandleSizeProc)(FMX_Handle handle, int32_t size);
typedef int32_t(FMX_ENTRYPT* FMX_GetHandleSizeProc)(FMX_Handle handle);
typedef void(FMX_ENTRYPT* FMX_DisposeHandleProc)(FMX_Handle handle);
typedef void(FMX_ENTRYPT* FMX_MoveHandleHighProc)(FMX_Handle handle);
typedef void(FMX_ENTRYPT* FMX_LockHandleProc)(FMX_Handle handle);
typedef void(FMX_ENTRYPT* FMX_UnlockHandleProc)(FMX_Handle handle);
typedef void*(FMX_ENTRYPT* FMX_NewBlockProc)(int32_t size);
typedef void(FMX_ENTRYPT* FMX_DisposeBlockProc)(void* block);
typedef int16_t(FMX_ENTRYPT* FMX_MemoryErrorProc)(void);
#endif

#pragma pack(push, 1)
struct FMX_ExternCallStruct {
  int16_t extnVersion; /* the host's interface version */
#if defined(_WIN32) || UINTPTR_MAX == 0xFFFFFFFFu
  int16_t unusedID;
#else
  int32_t unusedID; /* 64-bit Linux and macOS */
#endif
  FMX_ExternCallProcPtr entryPoint;
  char unusedFlag;
  uint8_t whichCall; /* the selector */
  char unsafeCalls;  /* non-zero: the call is not on the host's main thread */
  uint8_t parm1;     /* idle level, string number, application kind */
  uintptr_t parm2;   /* function ID (3), language (7), version text (0) */
  uintptr_t parm3;   /* parameter handle (3), buffer size in UTF-16 units (7) */
  uintptr_t instanceID;
  uintptr_t result; /* init answer, string buffer, result handle */
  uintptr_t unused;
#if FMX_RECORD_HAS_MEMORY_SERVICES
  FMX_NewHandleProc cNewHandle;
  FMX_SetHandleSizeProc cSetHandleSize;
  FMX_GetHandleSizeProc cGetHandleSize;
  FMX_DisposeHandleProc cDisposeHandle;
  FMX_MoveHandleHighProc cMoveHandleHigh;
  FMX_LockHandleProc cLockHandle;
  FMX_UnlockHandleProc cUnlockHandle;
  FMX_NewBlockProc cNewPointer;
  FMX_DisposeBlockProc cDisposePointer;
  FMX_MemoryErrorProc cMemoryError;
#else
  /* Host callbacks (start a script, the current environment) that this module leaves
   * alone. */
  void* cStartScript;
  void* cCurrentEnv;
#endif
};
#pragma pack(pop)

#ifdef __cplusplus
#define FMX_LAYOUT(field, at) \
  static_assert(offsetof(FMX_ExternCallStruct, field) == (at), "record layout: " #field)
#define FMX_RECORD_SIZE(n) static_assert(sizeof(FMX_ExternCallStruct) == (n), "record size")
#if defined(_WIN32) && !defined(_WIN64)
FMX_LAYOUT(unusedID, 2);
FMX_LAYOUT(entryPoint, 4);
FMX_LAYOUT(whichCall, 9);
FMX_LAYOUT(unsafeCalls, 10);
FMX_LAYOUT(parm1, 11);
FMX_LAYOUT(parm2, 12);
FMX_LAYOUT(parm3, 16);
FMX_LAYOUT(instanceID, 20);
FMX_LAYOUT(result, 24);
FMX_LAYOUT(unused, 28);
FMX_LAYOUT(cNewHandle, 32);
FMX_LAYOUT(cSetHandleSize, 36);
FMX_LAYOUT(cGetHandleSize, 40);
FMX_LAYOUT(cDisposeHandle, 44);
FMX_LAYOUT(cLockHandle, 52);
FMX_LAYOUT(cUnlockHandle, 56);
FMX_LAYOUT(cNewPointer, 60);
FMX_LAYOUT(cDisposePointer, 64);
FMX_LAYOUT(cMemoryError, 68);
FMX_RECORD_SIZE(72);
#elif defined(_WIN64)
FMX_LAYOUT(unusedID, 2);
FMX_LAYOUT(entryPoint, 4);
FMX_LAYOUT(unusedFlag, 12);
FMX_LAYOUT(whichCall, 13);
FMX_LAYOUT(unsafeCalls, 14);
FMX_LAYOUT(parm1, 15);
FMX_LAYOUT(parm2, 16);
FMX_LAYOUT(parm3, 24);
FMX_LAYOUT(instanceID, 32);
FMX_LAYOUT(result, 40);
FMX_LAYOUT(unused, 48);
FMX_LAYOUT(cStartScript, 56);
FMX_LAYOUT(cCurrentEnv, 64);
FMX_RECORD_SIZE(72);
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
FMX_LAYOUT(unusedID, 2);
FMX_LAYOUT(entryPoint, 6);
FMX_LAYOUT(unusedFlag, 14);
FMX_LAYOUT(whichCall, 15);
FMX_LAYOUT(unsafeCalls, 16);
FMX_LAYOUT(parm1, 17);
FMX_LAYOUT(parm2, 18);
FMX_LAYOUT(parm3, 26);
FMX_LAYOUT(instanceID, 34);
FMX_LAYOUT(result, 42);
FMX_LAYOUT(unused, 50);
FMX_LAYOUT(cStartScript, 58);
FMX_LAYOUT(cCurrentEnv, 66);
FMX_RECORD_SIZE(74);
#else
#error "no host call record is known for this platform"
#endif
static_assert(sizeof(FMX_ErrorRecord) == 8 && offsetof(FMX_ErrorRecord, code) == 4,
              "error record layout");
#undef FMX_LAYOUT
#undef FMX_RECORD_SIZE
#endif

#ifdef __cplusplus
}
#endif

#endif /* FMX_FMWRAPPER_H */
