# Functions shared by the folders' CMake files.

# Makes the headers of one source folder reachable, as "<folder>/name.h", to
# <target> and to whatever links it, and to nothing else. Each library's
# include directory holds forwarding headers for its own folder only, so a
# folder that includes a header of a library it does not link (device/ one
# of interrogation/, say) fails to compile: the layers' direction is the
# direction of target_link_libraries.
function(quillanor_folder_headers target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  file(GLOB stale ${root}/${folder}/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(name ${header} NAME)
    list(REMOVE_ITEM stale ${root}/${folder}/${name})
    # Written only when it changes, so a new configure rebuilds nothing.
    file(CONFIGURE OUTPUT ${root}/${folder}/${name} CONTENT "#include \"${header}\"\n" @ONLY)
  endforeach()
  if(stale)
    file(REMOVE ${stale})
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# A test that the 32-bit Windows program <target> imports only functions that
# Windows 98 and 2000 have (app/imports-win32.txt), so that it starts there.
function(quillanor_add_import_check name target)
  if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4 OR NOT BUILD_TESTING)
    return()
  endif()
  # GNU objdump, whose -p listing the checker reads (clang's toolchain
  # would give llvm-objdump, which lists otherwise).
  find_program(QUILLANOR_OBJDUMP NAMES i686-w64-mingw32-objdump ${CMAKE_OBJDUMP} objdump)
  find_package(Python3 COMPONENTS Interpreter)
  if(QUILLANOR_OBJDUMP AND Python3_FOUND)
    add_test(NAME ${name}
             COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-imports.py ${QUILLANOR_OBJDUMP}
                     $<TARGET_FILE:${target}> ${PROJECT_SOURCE_DIR}/app/imports-win32.txt)
    add_test(NAME ${name}-header
             COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-imports.py ${QUILLANOR_OBJDUMP}
                     $<TARGET_FILE:${target}> --oldest 4.0)
  endif()
endfunction()
