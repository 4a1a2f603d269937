# cmake --install: every built module with its help and the toolbox index in
# one folder, ${CMAKE_INSTALL_PREFIX}/${MEXSETS_INSTALL_DIR}, ready for
# addpath. The Octave .oct and the MATLAB .mexa64 of a function share the
# folder: each host loads its own extension and reads the same help file.
# (The Octave .mex files of build/octave-mex are for testing the MEX gateways
# in Octave; they are not installed.)
#
# The Octave package (octave_package target, tools/package.sh) and build.m
# are the other ways to install.

set(MEXSETS_INSTALL_DIR "lib/mexsets" CACHE STRING
  "Folder below CMAKE_INSTALL_PREFIX that receives the modules, their help and Contents.m")

set(mexsets_installs_modules OFF)
foreach(name IN LISTS MEXSETS_BUILT_MODULES)
  if(MEXSETS_MKOCTFILE)
    install(FILES ${MEXSETS_OCTAVE_OUT}/${name}.oct
      DESTINATION ${MEXSETS_INSTALL_DIR} COMPONENT octave)
    set(mexsets_installs_modules ON)
  endif()
  if(MEXSETS_HAVE_MATLAB)
    install(TARGETS ${name}_matlab
      LIBRARY DESTINATION ${MEXSETS_INSTALL_DIR} COMPONENT matlab
      RUNTIME DESTINATION ${MEXSETS_INSTALL_DIR} COMPONENT matlab)
    set(mexsets_installs_modules ON)
  endif()
  # The help as built, the shared sections put in (cmake/help.cmake).
  if(MEXSETS_MKOCTFILE)
    install(FILES ${MEXSETS_OCTAVE_OUT}/${name}.m DESTINATION ${MEXSETS_INSTALL_DIR} COMPONENT help)
  elseif(MEXSETS_HAVE_MATLAB)
    install(FILES ${CMAKE_BINARY_DIR}/matlab/${name}.m
      DESTINATION ${MEXSETS_INSTALL_DIR} COMPONENT help)
  endif()
endforeach()

if(mexsets_installs_modules)
  if(EXISTS ${MEXSETS_ROOT}/modules/Contents.m)
    install(FILES ${MEXSETS_ROOT}/modules/Contents.m
      DESTINATION ${MEXSETS_INSTALL_DIR} COMPONENT help)
  endif()
  # The demo that Contents.m lists, with its private helpers.
  install(DIRECTORY ${MEXSETS_ROOT}/demo/ DESTINATION ${MEXSETS_INSTALL_DIR} COMPONENT help
    FILES_MATCHING PATTERN "*.m")
  if(IS_ABSOLUTE "${MEXSETS_INSTALL_DIR}")
    set(folder "${MEXSETS_INSTALL_DIR}")
  else()
    set(folder "\${CMAKE_INSTALL_PREFIX}/${MEXSETS_INSTALL_DIR}")
  endif()
  install(CODE "message(STATUS \"mexsets: in Octave or MATLAB, addpath('${folder}')\")"
    COMPONENT help)
else()
  message(STATUS "mexsets: neither mkoctfile nor MATLAB found, cmake --install installs no modules")
endif()

# The Octave package, on request only: cmake --build build --target octave_package
# writes build/mexsets-<version>.tar.gz.
find_program(MEXSETS_BASH bash)
if(MEXSETS_BASH)
  add_custom_target(octave_package
    COMMAND ${MEXSETS_BASH} ${MEXSETS_ROOT}/tools/package.sh ${CMAKE_BINARY_DIR}
    WORKING_DIRECTORY ${MEXSETS_ROOT}
    COMMENT "Octave package mexsets-${PROJECT_VERSION}.tar.gz"
    VERBATIM)
endif()
