# Packages of the Linux build (`make package`):
#  - a .deb for the database server: the module (and its desktop companion, when there is
#    one) in the script engine's plug-in folder, and the administrators' documentation.
#    The host library belongs to the server itself (/opt/FileMaker/lib) and is never
#    shipped here.
#  - a .tar.gz to try the module without the real host: the module beside our fmhost and
#    libFMWrapper.so, with the documentation.
# The two take different components of the same build; cmake/packaging-project.cmake.in
# picks one per generator.  Neither component is part of a plain `cmake --install`.  The
# Windows files are zipped by scripts/package-windows.sh (`make package-windows`) instead.
if(WIN32)
  return()
endif()

set(VELMORA_SERVER_PLUGIN_DIR "opt/FileMaker/FileMaker Server/Database Server/Extensions")
set(VELMORA_PLUGIN_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The module's RUNPATH (src/CMakeLists.txt) is the same built and installed: the server's
# host library folder first, then $ORIGIN for the archive, where our own libFMWrapper.so
# lies beside it.

set(VELMORA_PLUGIN_TARGETS velmora_module)
if(TARGET velmora_desktop)
  list(APPEND VELMORA_PLUGIN_TARGETS velmora_desktop)
endif()

# The plug-in files by name, for the postinst and for the dependency scan below.
set(VELMORA_PLUGIN_FILES)
foreach(target IN LISTS VELMORA_PLUGIN_TARGETS)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  get_target_property(prefix ${target} PREFIX)
  if(prefix STREQUAL "prefix-NOTFOUND")
    set(prefix ${CMAKE_SHARED_LIBRARY_PREFIX})
  endif()
  get_target_property(suffix ${target} SUFFIX)
  if(suffix STREQUAL "suffix-NOTFOUND")
    set(suffix ${CMAKE_SHARED_LIBRARY_SUFFIX})
  endif()
  list(APPEND VELMORA_PLUGIN_FILES "${prefix}${name}${suffix}")
endforeach()
list(GET VELMORA_PLUGIN_FILES 0 VELMORA_MODULE_FILE)

install(TARGETS ${VELMORA_PLUGIN_TARGETS}
        LIBRARY DESTINATION "${VELMORA_SERVER_PLUGIN_DIR}" PERMISSIONS ${VELMORA_PLUGIN_PERMISSIONS}
        COMPONENT server EXCLUDE_FROM_ALL)

install(FILES docs/install.md docs/functions.md DESTINATION usr/share/doc/velmora2
        COMPONENT server EXCLUDE_FROM_ALL)

install(TARGETS ${VELMORA_PLUGIN_TARGETS} FMWrapper
        LIBRARY DESTINATION . PERMISSIONS ${VELMORA_PLUGIN_PERMISSIONS}
        COMPONENT trial EXCLUDE_FROM_ALL)
install(TARGETS fmhost RUNTIME DESTINATION . COMPONENT trial EXCLUDE_FROM_ALL)
if(NOT WIN32)
  install(TARGETS fmhost_desktop LIBRARY DESTINATION . COMPONENT trial EXCLUDE_FROM_ALL)
endif()
install(FILES README.md DESTINATION . COMPONENT trial EXCLUDE_FROM_ALL)
install(FILES docs/install.md docs/functions.md docs/fmhost.md docs/drives.md
        DESTINATION docs COMPONENT trial EXCLUDE_FROM_ALL)

# The Debian packages that provide the desktop libraries (GTK and what it brings, X11).
# The module must load on a headless server, so these never become dependencies of the
# .deb, even though the desktop companion (or, before it, the module) links them.
# zlib is left out of this list: it is no desktop library.
set(VELMORA_DESKTOP_PACKAGES)
find_program(VELMORA_DPKG_QUERY dpkg-query)
if(VELMORA_DPKG_QUERY)
  set(desktop_libraries ${GTK3_LINK_LIBRARIES})
  find_library(VELMORA_X11_LIBRARY X11)
  if(VELMORA_X11_LIBRARY)
    list(APPEND desktop_libraries ${VELMORA_X11_LIBRARY})
  endif()
  foreach(lib IN LISTS desktop_libraries)
    get_filename_component(lib_name "${lib}" NAME)
    if(NOT lib MATCHES "\\.so" OR lib_name MATCHES "^libz\\.")
      continue()
    endif()
    file(REAL_PATH "${lib}" real)
    get_filename_component(real_name "${real}" NAME)
    # Files may be registered under /lib or /usr/lib: look the name up in any folder.
    execute_process(COMMAND ${VELMORA_DPKG_QUERY} -S "*/${real_name}"
                    OUTPUT_VARIABLE owners ERROR_QUIET RESULT_VARIABLE rc)
    if(rc EQUAL 0 AND owners MATCHES "^([^:, ]+)")
      list(APPEND VELMORA_DESKTOP_PACKAGES ${CMAKE_MATCH_1})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES VELMORA_DESKTOP_PACKAGES)
endif()

set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_NAME VELMORA2)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VELMORA2 developers <velmora2@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "VELMORA2 plug-in module for the database server (pictures, files, FTP, utilities)")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build.*/;/\\.git/")

set(CPACK_DEBIAN_PACKAGE_NAME velmora2)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY; cpack indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Installs VELMORA2.fmx into the script engine's plug-in folder of the database\n\
server. Functions that need a display (dialogs, the progress window, the document\n\
window) answer an error there: see /usr/share/doc/velmora2/install.md.")
# dpkg-shlibdeps over every packaged file would bring in the desktop companion's GTK:
# cmake/packaging-project.cmake.in scans the module alone instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
string(REPLACE ";" " " VELMORA_POSTINST_FILES "${VELMORA_PLUGIN_FILES}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/packaging-postinst.in
               ${CMAKE_BINARY_DIR}/packaging/postinst @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
               WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/postinst)

# Read by cpack for each generator.
set(VELMORA_PACKAGING_BINARY_DIR ${CMAKE_BINARY_DIR})
set(VELMORA_MODULE_BUILD_FILE ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/${VELMORA_MODULE_FILE})
configure_file(${CMAKE_CURRENT_LIST_DIR}/packaging-project.cmake.in
               ${CMAKE_BINARY_DIR}/packaging/project.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/project.cmake)

include(CPack)
