/* What our own host (fmhost and its host library) offers beyond the published interface:
 * its document window, its host-kept clipboard, memory-failure injection for tests, and
 * the host program's view of the host library.
 *
 * A module never imports any of this: the real host has none of it.  It looks the one
 * entry VLM_HOST_SERVICES_ENTRY up at run time (in the host process, or the host's
 * executable on Windows) and lives without it when it is absent.
 */
#ifndef FMX_FMHOSTSERVICES_H
#define FMX_FMHOSTSERVICES_H

#include <fmx/FMWrapper.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- the host's document window -------------------------------------------- */
/* The window the host shows its document in: a pixel surface a module draws into and
 * reads back, and the native window that owns the module's dialogs. */
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

/* ---- the services table ------------------------------------------------------ */
#define VLM_HOST_SERVICES_ENTRY "VelmoraHost_Services"

typedef struct VLM_HostServices {
  uint32_t structSize; /* sizeof(VLM_HostServices): later hosts may append services */
  /* The host's document window, or null when it shows none. */
  const FMX_DocumentWindow* (*documentWindow)(void);
  /* A host without a display keeps a clipboard of its own: named formats, each a block
   * of bytes, in the order they were put there.  A module uses it while the host keeps
   * it (clipboardHostKept answers 1) and the system's clipboard otherwise. */
  int32_t (*clipboardHostKept)(void);
  uint32_t (*clipboardFormatCount)(void);
  /* The name of format `index` (UTF-8, zero-terminated, cut to nameSize); 0 when out of
   * range. */
  int32_t (*clipboardFormatName)(uint32_t index, char* name, uint32_t nameSize);
  /* The data of the format named `name`: with data null, *size becomes its size;
   * otherwise up to *size bytes are copied and *size becomes the number copied.  0 when
   * absent. */
  int32_t (*clipboardRead)(const char* name, uint8_t* data, uint64_t* size);
  /* Empties the clipboard, then adds formats one by one; Add answers 0 when memory runs
   * out (the clipboard is then left empty). */
  void (*clipboardEmpty)(void);
  int32_t (*clipboardAdd)(const char* name, const uint8_t* data, uint64_t size);
  /* Memory-failure injection: answers 1 when the module's next work block must fail as
   * if its own heap had run out. */
  int32_t (*blockFaultDue)(void);
} VLM_HostServices;

typedef const VLM_HostServices* (*VLM_HostServicesProc)(void);
FMX_API const VLM_HostServices* VelmoraHost_Services(void);

/* ---- host side: what the host program uses to drive a module ---------------- */
/* Registered functions, in registration order. */
FMX_API uint32_t FMW_Host_FunctionCount(void);
/* Fills id, name, prototype and description (UTF-8, zero-terminated, cut to the sizes
 * given) and the entry of the registered function at `index`; answers 0 when index is out
 * of range. */
FMX_API int32_t FMW_Host_FunctionAt(uint32_t index, int16_t* id, char* name, uint32_t nameSize,
                                    char* prototype, uint32_t prototypeSize,
                                    FMX_ExternCallPtr* function);
FMX_API int32_t FMW_Host_FunctionDescription(uint32_t index, char* description,
                                             uint32_t descriptionSize);
/* Looks a registered function up by name (ASCII case-insensitive, as the host does). */
FMX_API int32_t FMW_Host_FindFunction(const char* name, int16_t* id, FMX_ExternCallPtr* function);
/* Fills a call record of this platform's layout (with the memory services where the
 * record has them) for a host of interface version `hostVersion`. */
FMX_API void FMW_Host_InitCallRecord(FMX_ExternCallStruct* record, int16_t hostVersion);
/* Fault injection for tests: spec is "KIND:N[,KIND:N...]" where KIND is block, handle or
 * text and N the 1-based number of the call of that kind that fails (0 disables).
 * The environment variable FMWRAPPER_FAIL is read at load time with the same syntax. */
FMX_API void FMW_Host_SetFaults(const char* spec);
/* How many of those failures were made since the faults were last set: 0 when the calls
 * never reached the one meant to fail. */
FMX_API int32_t FMW_Host_FaultsFired(void);
/* Memory accounting for leak checks: blocks and handles currently allocated. */
FMX_API int32_t FMW_Host_LiveAllocations(void);
/* Published calls the host program uses to make the objects of a call (a module never
 * needs them). */
FMX_API FMX_Data* FM_Data_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_Data_Delete(FMX_Data* self, FMX_ErrorRecord* err);
FMX_API FMX_DataVect* FM_DataVect_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_DataVect_Delete(FMX_DataVect* self, FMX_ErrorRecord* err);
/* Whether the data was ever set (a function may leave its result untouched). */
FMX_API int32_t FMW_Host_DataIsSet(const FMX_Data* data, FMX_ErrorRecord* err);
/* Appends a text argument. */
FMX_API void FMW_Host_PushBackText(FMX_DataVect* vect, const FMX_Text* text, FMX_ErrorRecord* err);
/* Registers the document window (null: none); the host keeps it alive. */
FMX_API void FMW_Host_SetDocumentWindow(const FMX_DocumentWindow* window);
/* Keep the clipboard in the host (1) or use the system's (0, the default). */
FMX_API void FMW_Host_KeepClipboard(int32_t keep);

#ifdef __cplusplus
}
#endif

#endif /* FMX_FMHOSTSERVICES_H */
