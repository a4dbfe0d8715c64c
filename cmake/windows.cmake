# The Windows build (cross-built with cmake/mingw-w64-x86_64.cmake or, for the 32-bit
# host, cmake/mingw-w64-i686.cmake): what stands in for the Linux libraries, a runtime
# linked in so that the programs need no extra DLLs, and the module's export list and
# version resource.

# The 64-bit host loads NAME.fmx64, the 32-bit host NAME.fmx.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VELMORA_MODULE_SUFFIX .fmx64)
endif()

# -O2: GCC 12's -O3 reports false -Wrestrict overlaps inside libstdc++'s string appends.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")

# libstdc++, libgcc and winpthread go into each .exe/.dll.
add_link_options(-static -static-libgcc -static-libstdc++)
# Unicode Win32 calls, no min/max macros from <windows.h>, Windows 7 and later.
add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601)

# WIC (codecs and encoders), COM, the shell (shortcuts, opening documents, folder chooser),
# WinINet (FTP, picture addresses), version data, network connections, common dialogs,
# Toolhelp/processes, GDI (the document window, the clipboard's DIBs).
set(VELMORA_WIN32_LIBS windowscodecs ole32 oleaut32 uuid shell32 shlwapi wininet version mpr
    comdlg32 comctl32 gdi32 user32 advapi32)

# Tests and benchmarks of the Linux build that need Linux (Xvfb, /proc, GTK) stay out.
set(VELMORA_BENCH OFF CACHE BOOL "" FORCE)
set(VELMORA_FUZZ OFF CACHE BOOL "" FORCE)

# The module: only FMExternCallProc is exported (a .def file), and its version data is a
# real VERSIONINFO resource, read back by the version functions.
function(velmora_windows_module target)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/generated/velmora_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/src/platform/windows/resources/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc}
                 ${PROJECT_SOURCE_DIR}/src/platform/windows/resources/VELMORA2.def)
  # The Linux build marks its in-file version block hidden; PE files have no such
  # visibility, and the resource above is what is read here.
  set_source_files_properties(${PROJECT_SOURCE_DIR}/src/module/export.cpp PROPERTIES
                              COMPILE_OPTIONS -Wno-attributes)
  # The 32-bit host calls the entry with __stdcall, whose symbol carries its argument
  # bytes (_FMExternCallProc@4); the host asks for the plain name, so the .def file's
  # plain name is bound to it without the linker warning about it.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
endfunction()
