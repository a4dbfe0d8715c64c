/* The host library's interface: the calls a plug-in module makes into its host
 * (texts, data, argument vectors, function registration) and the call record the
 * host hands to the module's entry point.  Plain C so that any module can use it.
 *
 * Every call takes an error record as its last argument and fills it in: 0 for
 * success, FMX_ERR_MEMORY when memory ran out, FMX_ERR_GENERAL for anything else.
 * Texts are kept as UTF-16; byte conversions use the encodings below.
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

/* ---- error record ---------------------------------------------------------- */
enum { FMX_ERR_NONE = 0, FMX_ERR_MEMORY = 1, FMX_ERR_GENERAL = 2 };
typedef struct FMX_ErrorRecord {
  int32_t code;
} FMX_ErrorRecord;

/* ---- opaque host objects --------------------------------------------------- */
typedef struct FMX_Text FMX_Text;
typedef struct FMX_Data FMX_Data;
typedef struct FMX_DataVect FMX_DataVect;
typedef struct FMX_Locale FMX_Locale;
typedef struct FMX_QuadChar FMX_QuadChar;
typedef struct FMX_ExprEnv FMX_ExprEnv;

/* Text encodings understood by FM_Text_Assign / FM_Text_GetBytes. */
enum {
  FMX_ENC_NATIVE = 0, /* the host's native 8-bit encoding: code page 932 */
  FMX_ENC_UTF8 = 1,
  FMX_ENC_SJIS = 7 /* Shift-JIS as Windows writes it: also code page 932 */
};

enum { FMX_DATATYPE_TEXT = 1 };

/* Flags word of every registration this module makes. */
enum { FMX_FUNCTION_FLAGS_DEFAULT = 0xFF01 };

/* The host's signature for an external function. */
typedef int16_t (*FMX_ExternCallPtr)(int16_t functionId, const FMX_ExprEnv* env,
                                     const FMX_DataVect* parms, FMX_Data* result);

/* ---- texts ----------------------------------------------------------------- */
FMX_API FMX_Text* FM_Text_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_Text_Delete(FMX_Text* text, FMX_ErrorRecord* err);
/* Replaces the text with bytes (zero-terminated) in the given encoding. */
FMX_API void FM_Text_Assign(FMX_Text* text, const char* bytes, int32_t encoding,
                            FMX_ErrorRecord* err);
/* Same with an explicit byte length (bytes may hold zeros). */
FMX_API void FM_Text_AssignWithLength(FMX_Text* text, const char* bytes, uint32_t length,
                                      int32_t encoding, FMX_ErrorRecord* err);
/* Replaces the text with zero-terminated UTF-16. */
FMX_API void FM_Text_AssignUnicode(FMX_Text* text, const uint16_t* units, FMX_ErrorRecord* err);
/* Length in UTF-16 units. */
FMX_API uint32_t FM_Text_GetSize(const FMX_Text* text, FMX_ErrorRecord* err);
/* Replaces the text with `length` units of `source` from `position` (0xFFFFFFFF: to the end). */
FMX_API void FM_Text_SetText(FMX_Text* text, const FMX_Text* source, uint32_t position,
                             uint32_t length, FMX_ErrorRecord* err);
/* Converts `length` units from `position` into `buffer` (at most bufferSize bytes, always
 * zero-terminated when bufferSize > 0); answers the number of bytes written. */
FMX_API uint32_t FM_Text_GetBytes(const FMX_Text* text, char* buffer, uint32_t bufferSize,
                                  uint32_t position, uint32_t length, int32_t encoding,
                                  FMX_ErrorRecord* err);
/* Copies up to `size` - 1 units and a terminator into `buffer`; answers units copied. */
FMX_API uint32_t FM_Text_GetUnicode(const FMX_Text* text, uint16_t* buffer, uint32_t position,
                                    uint32_t size, FMX_ErrorRecord* err);
/* First position >= `position` where `other` occurs, or 0xFFFFFFFF. */
FMX_API uint32_t FM_Text_Find(const FMX_Text* text, const FMX_Text* other, uint32_t position,
                              FMX_ErrorRecord* err);
FMX_API void FM_Text_DeleteText(FMX_Text* text, uint32_t position, uint32_t length,
                                FMX_ErrorRecord* err);

/* ---- four-character values ------------------------------------------------- */
FMX_API FMX_QuadChar* FM_QuadChar_Constructor2(char c0, char c1, char c2, char c3,
                                               FMX_ErrorRecord* err);
FMX_API void FM_QuadChar_Delete(FMX_QuadChar* quad, FMX_ErrorRecord* err);

/* ---- data, locales, argument vectors --------------------------------------- */
FMX_API FMX_Data* FM_Data_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_Data_Delete(FMX_Data* data, FMX_ErrorRecord* err);
FMX_API const FMX_Locale* FM_Data_GetLocale(const FMX_Data* data, FMX_ErrorRecord* err);
/* Sets the data to a copy of `text` with `locale`; answers 0 on success. */
FMX_API int32_t FM_Data_SetAsText(FMX_Data* data, const FMX_Text* text, const FMX_Locale* locale,
                                  int32_t dataType, FMX_ErrorRecord* err);
FMX_API const FMX_Text* FM_Data_GetAsText(const FMX_Data* data, FMX_ErrorRecord* err);
/* Whether the data was ever set (a function may leave its result untouched). */
FMX_API int32_t FM_Data_IsSet(const FMX_Data* data, FMX_ErrorRecord* err);

FMX_API FMX_DataVect* FM_DataVect_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_DataVect_Delete(FMX_DataVect* vect, FMX_ErrorRecord* err);
FMX_API void FM_DataVect_PushBackText(FMX_DataVect* vect, const FMX_Text* text,
                                      FMX_ErrorRecord* err);
FMX_API uint32_t FM_DataVect_Size(const FMX_DataVect* vect, FMX_ErrorRecord* err);
FMX_API const FMX_Text* FM_DataVect_AtAsText(const FMX_DataVect* vect, uint32_t position,
                                             FMX_ErrorRecord* err);
FMX_API const FMX_Data* FM_DataVect_At(const FMX_DataVect* vect, uint32_t position,
                                       FMX_ErrorRecord* err);

/* ---- function registration ------------------------------------------------- */
FMX_API int16_t FM_ExprEnv_RegisterExternalFunction(const FMX_QuadChar* pluginId,
                                                    int16_t functionId, const FMX_Text* name,
                                                    const FMX_Text* prototype, int16_t minArgs,
                                                    int16_t maxArgs, uint32_t flags,
                                                    FMX_ExternCallPtr function,
                                                    FMX_ErrorRecord* err);
FMX_API int16_t FM_ExprEnv_UnRegisterExternalFunction(const FMX_QuadChar* pluginId,
                                                      int16_t functionId, FMX_ErrorRecord* err);

/* ---- the host call record -------------------------------------------------- */
typedef char** FMX_Handle;

typedef FMX_Handle (*FMX_NewHandleProc)(int32_t size);
typedef void (*FMX_SetHandleSizeProc)(FMX_Handle handle, int32_t size);
typedef int32_t (*FMX_GetHandleSizeProc)(FMX_Handle handle);
typedef void (*FMX_DisposeHandleProc)(FMX_Handle handle);
typedef void (*FMX_LockHandleProc)(FMX_Handle handle);
typedef void (*FMX_UnlockHandleProc)(FMX_Handle handle);
typedef void* (*FMX_NewBlockProc)(int32_t size);
typedef void (*FMX_DisposeBlockProc)(void* block);
typedef int16_t (*FMX_MemoryErrorProc)(void);

/* Call selectors. */
enum {
  FMX_CALL_INIT = 0,
  FMX_CALL_IDLE = 1,
  FMX_CALL_EXTERNAL = 3,
  FMX_CALL_SHUTDOWN = 4,
  FMX_CALL_PREFERENCES = 5,
  FMX_CALL_GET_STRING = 7
};

/* Laid out so that a 32-bit build has the byte offsets the host uses (checked below);
 * a 64-bit build keeps the order with natural alignment. */
typedef struct FMX_ExternCallStruct {
  int16_t extnVersion;        /*  0: host interface version */
  uint8_t unused1[7];         /*  2 */
  uint8_t whichCall;          /*  9: selector */
  uint8_t unused2;            /* 10 */
  uint8_t parm1;              /* 11: idle level, string number */
  uint32_t parm2;             /* 12: function ID (3), host language (7) */
  uintptr_t parm3;            /* 16: parameter handle (3), buffer size in units (7) */
  uintptr_t instanceID;       /* 20: the module's instance */
  uintptr_t result;           /* 24: init answer, string buffer, result handle */
  uintptr_t unused3;          /* 28 */
  FMX_NewHandleProc cNewHandle;             /* 32 */
  FMX_SetHandleSizeProc cSetHandleSize;     /* 36 */
  FMX_GetHandleSizeProc cGetHandleSize;     /* 40 */
  FMX_DisposeHandleProc cDisposeHandle;     /* 44 */
  void* unused4;                            /* 48 */
  FMX_LockHandleProc cLockHandle;           /* 52 */
  FMX_UnlockHandleProc cUnlockHandle;       /* 56 */
  FMX_NewBlockProc cNewPointer;             /* 60 */
  FMX_DisposeBlockProc cDisposePointer;     /* 64 */
  FMX_MemoryErrorProc cMemoryError;         /* 68 */
} FMX_ExternCallStruct;

#if defined(__cplusplus) && UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(FMX_ExternCallStruct, whichCall) == 9, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, parm1) == 11, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, parm2) == 12, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, parm3) == 16, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, instanceID) == 20, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, result) == 24, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, cNewHandle) == 32, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, cSetHandleSize) == 36, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, cGetHandleSize) == 40, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, cLockHandle) == 52, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, cUnlockHandle) == 56, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, cNewPointer) == 60, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, cDisposePointer) == 64, "record layout");
static_assert(offsetof(FMX_ExternCallStruct, cMemoryError) == 68, "record layout");
#endif

/* The module's one export. */
typedef void (*FMX_ExternCallProcPtr)(FMX_ExternCallStruct* record);

/* ---- host side: what the host program uses to drive a module ---------------- */
/* Registered functions, in registration order. */
FMX_API uint32_t FMW_Host_FunctionCount(void);
/* Fills id, name and prototype (UTF-8, zero-terminated, cut to the sizes given) and the
 * entry of the registered function at `index`; answers 0 when index is out of range. */
FMX_API int32_t FMW_Host_FunctionAt(uint32_t index, int16_t* id, char* name, uint32_t nameSize,
                                    char* prototype, uint32_t prototypeSize,
                                    FMX_ExternCallPtr* function);
/* Looks a registered function up by name (ASCII case-insensitive, as the host does). */
FMX_API int32_t FMW_Host_FindFunction(const char* name, int16_t* id, FMX_ExternCallPtr* function);
/* Fills a call record with the host's memory services. */
FMX_API void FMW_Host_InitCallRecord(FMX_ExternCallStruct* record, int16_t hostVersion);
/* Fault injection for tests: spec is "KIND:N[,KIND:N...]" where KIND is block, handle or
 * text and N the 1-based number of the call of that kind that fails (0 disables).
 * The environment variable FMWRAPPER_FAIL is read at load time with the same syntax. */
FMX_API void FMW_Host_SetFaults(const char* spec);
/* Memory accounting for leak checks: blocks and handles currently allocated. */
FMX_API int32_t FMW_Host_LiveAllocations(void);

/* ---- the host's document window -------------------------------------------- */
/* The window the host shows its document in: a pixel surface a module draws into and
 * reads back, and the native window that owns the module's dialogs.  The host registers
 * it; a module asks for it (null when the host shows none). */
typedef struct FMX_WindowRect {
  int32_t left, top, right, bottom;
} FMX_WindowRect;

typedef struct FMX_DocumentWindow {
  uint32_t structSize; /* sizeof(FMX_DocumentWindow): later hosts may append calls */
  void* context;       /* the host's own, handed back to every call */
  /* Client rectangle in client coordinates: (0, 0) to (width, height). */
  void (*clientRect)(void* context, FMX_WindowRect* rect);
  /* The document coordinate shown at the client's top-left corner. */
  void (*origin)(void* context, int32_t* h, int32_t* v);
  /* The visible part of the client as up to `max` rectangles; answers how many it has. */
  uint32_t (*visibleRegion)(void* context, FMX_WindowRect* rects, uint32_t max);
  /* The pixels, 0x00RRGGBB, `rowPixels` to a row; valid until the next resize. */
  uint32_t* (*pixels)(void* context, int32_t* rowPixels);
  /* Marks a part (null: all) as needing a repaint, or as painted. */
  void (*invalidate)(void* context, const FMX_WindowRect* rect);
  void (*validate)(void* context, const FMX_WindowRect* rect);
  /* The bounds of what is marked invalid; answers 0 when nothing is. */
  int32_t (*invalidRect)(void* context, FMX_WindowRect* rect);
  /* Resizes the client (content kept where it still fits); answers 0 on success. */
  int32_t (*resize)(void* context, int32_t width, int32_t height);
  /* The native top-level window (a GtkWindow* on Linux) when one is shown, else null. */
  void* (*nativeWindow)(void* context);
  /* Lets the host repaint and handle its waiting events. */
  void (*pumpEvents)(void* context);
  /* Appended later (a host has it when structSize reaches past it): the pointer's
     position in client coordinates; answers 0 when the host knows it. */
  int32_t (*pointerPosition)(void* context, int32_t* h, int32_t* v);
} FMX_DocumentWindow;

/* The size of the first tables, before any call was appended. */
#define FMX_DOCUMENT_WINDOW_BASE_SIZE \
  (offsetof(FMX_DocumentWindow, pumpEvents) + sizeof(void (*)(void*)))

/* Module side: the host's document window, or null when it has none. */
FMX_API const FMX_DocumentWindow* FM_DocumentWindow_Get(FMX_ErrorRecord* err);
/* Host side: registers the document window (null: none); the host keeps it alive. */
FMX_API void FMW_Host_SetDocumentWindow(const FMX_DocumentWindow* window);

/* ---- the host's clipboard --------------------------------------------------- */
/* A host without a display keeps a clipboard of its own: named formats, each a block of
 * bytes, in the order they were put there.  A module uses it while the host keeps it
 * and the system's clipboard otherwise. */
/* Whether the host keeps the clipboard (1) or leaves it to the system (0). */
FMX_API int32_t FM_Clipboard_HostKept(void);
FMX_API uint32_t FM_Clipboard_FormatCount(void);
/* The name of format `index` (UTF-8, zero-terminated, cut to nameSize); 0 when out of range. */
FMX_API int32_t FM_Clipboard_FormatName(uint32_t index, char* name, uint32_t nameSize);
/* The data of the format named `name`: with data null, *size becomes its size; otherwise
 * up to *size bytes are copied and *size becomes the number copied.  0 when absent. */
FMX_API int32_t FM_Clipboard_Read(const char* name, uint8_t* data, uint64_t* size);
/* Empties the clipboard, then adds formats one by one; Add answers 0 when memory runs
 * out (the clipboard is then left empty). */
FMX_API void FM_Clipboard_Empty(void);
FMX_API int32_t FM_Clipboard_Add(const char* name, const uint8_t* data, uint64_t size);
/* Host side: keep the clipboard in the host (1) or use the system's (0, the default). */
FMX_API void FMW_Host_KeepClipboard(int32_t keep);

#ifdef __cplusplus
}
#endif

#endif /* FMX_FMWRAPPER_H */
