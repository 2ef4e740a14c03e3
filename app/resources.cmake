# The Windows resources of Quillanor.exe. Include this file, then add
# ${QUILLANOR_RC_SOURCES} to the executable's sources. Other builds get an
# empty list, since the resources mean nothing outside Windows.
set(QUILLANOR_RC_SOURCES "")
if(WIN32)
  enable_language(RC)
  set(QUILLANOR_RC_SOURCES ${CMAKE_CURRENT_LIST_DIR}/quillanor.rc)

  # The manifest must name the architecture that the program is built for.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_compile_definitions($<$<COMPILE_LANGUAGE:RC>:QUILLANOR_ARCH_AMD64=1>)
  else()
    add_compile_definitions($<$<COMPILE_LANGUAGE:RC>:QUILLANOR_ARCH_X86=1>)
  endif()

  # The resource compiler reports no dependencies on the files that the .rc
  # pulls in, so name
  # them here: a redrawn icon then rebuilds the resources.
  file(GLOB _quillanor_rc_inputs
    ${CMAKE_CURRENT_LIST_DIR}/resource.h
    ${CMAKE_CURRENT_LIST_DIR}/res/*.ico
    ${CMAKE_CURRENT_LIST_DIR}/res/*.cur
    ${CMAKE_CURRENT_LIST_DIR}/res/*.manifest)
  set_source_files_properties(${QUILLANOR_RC_SOURCES} PROPERTIES OBJECT_DEPENDS "${_quillanor_rc_inputs}")
  unset(_quillanor_rc_inputs)
endif()
