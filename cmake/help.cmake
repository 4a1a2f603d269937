# The help as the hosts read it. Each function's help file <name>.m and
# Python wrappers <name>.py (native) and <name>_octave.py (Octave-faithful)
# keep their own text and name the shared sections of help/ by marker lines;
# help/expand_help.py puts the sections in on the way to build/octave,
# build/octave-mex, build/matlab, build/python/mexsets/_<name>.py and
# build/python/mexsets/octave/_<name>.py, and makes the type stubs
# build/python/mexsets/__init__.pyi and build/python/mexsets/octave/__init__.pyi
# from the wrappers' signatures.

set(MEXSETS_HELP_TOOL ${MEXSETS_ROOT}/help/expand_help.py)

# MEXSETS_HELP_PYTHON: the package's interpreter, or any Python 3 when only
# the Octave or MATLAB modules are built.
function(mexsets_find_help_python)
  if(MEXSETS_HAVE_PYTHON)
    set(MEXSETS_HELP_PYTHON ${MEXSETS_PYTHON_EXECUTABLE} PARENT_SCOPE)
  elseif(MEXSETS_MKOCTFILE OR MEXSETS_HAVE_MATLAB)
    find_package(Python3 3.8 COMPONENTS Interpreter)
    if(NOT Python3_Interpreter_FOUND)
      message(FATAL_ERROR "mexsets: the help files are made with Python 3 "
                          "(help/expand_help.py), which was not found")
    endif()
    set(MEXSETS_HELP_PYTHON ${Python3_EXECUTABLE} PARENT_SCOPE)
  endif()
endfunction()

# The expanded help of the function NAME for every host this build has.
function(mexsets_add_help name)
  set(dir ${MEXSETS_ROOT}/modules/${name})
  # A native wrapper added later makes CMake look again.
  file(GLOB python_wrappers CONFIGURE_DEPENDS ${dir}/*.py)
  foreach(host octave python)
    file(GLOB sections_${host} CONFIGURE_DEPENDS ${MEXSETS_ROOT}/help/${host}/*.txt)
  endforeach()
  set(outputs "")
  if(MEXSETS_MKOCTFILE)
    list(APPEND outputs ${MEXSETS_OCTAVE_OUT}/${name}.m ${MEXSETS_OCTAVE_MEX_OUT}/${name}.m)
  endif()
  if(MEXSETS_HAVE_MATLAB)
    list(APPEND outputs ${CMAKE_BINARY_DIR}/matlab/${name}.m)
  endif()
  if(outputs)
    add_custom_command(
      OUTPUT ${outputs}
      COMMAND ${MEXSETS_HELP_PYTHON} ${MEXSETS_HELP_TOOL} ${dir}/${name}.m ${outputs}
      DEPENDS ${dir}/${name}.m ${MEXSETS_HELP_TOOL} ${sections_octave}
      COMMENT "help ${name}.m"
      VERBATIM)
    add_custom_target(${name}_help DEPENDS ${outputs})
    if(MEXSETS_MKOCTFILE)
      add_dependencies(octave_modules ${name}_help)
      add_dependencies(octave_mex_modules ${name}_help)
    endif()
    if(MEXSETS_HAVE_MATLAB)
      add_dependencies(${name}_matlab ${name}_help)
    endif()
  endif()
  if(MEXSETS_HAVE_PYTHON)
    set(faithful ${MEXSETS_PYTHON_OUT}/mexsets/octave/_${name}.py)
    add_custom_command(
      OUTPUT ${faithful}
      COMMAND ${MEXSETS_HELP_PYTHON} ${MEXSETS_HELP_TOOL} ${dir}/${name}_octave.py ${faithful}
      DEPENDS ${dir}/${name}_octave.py ${MEXSETS_HELP_TOOL} ${sections_python}
      COMMENT "help octave/_${name}.py"
      VERBATIM)
    set(wrappers ${faithful})
    if(EXISTS ${dir}/${name}.py)
      set(wrapper ${MEXSETS_PYTHON_OUT}/mexsets/_${name}.py)
      add_custom_command(
        OUTPUT ${wrapper}
        COMMAND ${MEXSETS_HELP_PYTHON} ${MEXSETS_HELP_TOOL} ${dir}/${name}.py ${wrapper}
        DEPENDS ${dir}/${name}.py ${MEXSETS_HELP_TOOL} ${sections_python}
        COMMENT "help _${name}.py"
        VERBATIM)
      list(APPEND wrappers ${wrapper})
    endif()
    add_custom_target(${name}_python_help DEPENDS ${wrappers})
    add_dependencies(python_package ${name}_python_help)
  endif()
endfunction()

# The type stubs of the functions that this build has: of the native
# wrappers (those written) and of the faithful ones.
function(mexsets_add_python_stubs)
  if(NOT MEXSETS_HAVE_PYTHON)
    return()
  endif()
  set(native "")
  set(faithful "")
  foreach(name IN LISTS MEXSETS_BUILT_MODULES)
    if(EXISTS ${MEXSETS_ROOT}/modules/${name}/${name}.py)
      list(APPEND native ${MEXSETS_ROOT}/modules/${name}/${name}.py)
    endif()
    list(APPEND faithful ${MEXSETS_ROOT}/modules/${name}/${name}_octave.py)
  endforeach()
  set(stubs ${MEXSETS_PYTHON_OUT}/mexsets/__init__.pyi)
  set(octave_stubs ${MEXSETS_PYTHON_OUT}/mexsets/octave/__init__.pyi)
  add_custom_command(
    OUTPUT ${stubs}
    COMMAND ${MEXSETS_HELP_PYTHON} ${MEXSETS_HELP_TOOL} --stubs ${stubs} ${native}
    DEPENDS ${native} ${MEXSETS_HELP_TOOL} ${MEXSETS_ROOT}/help/python/stubs.pyi
    COMMENT "type stubs __init__.pyi"
    VERBATIM)
  add_custom_command(
    OUTPUT ${octave_stubs}
    COMMAND ${MEXSETS_HELP_PYTHON} ${MEXSETS_HELP_TOOL} --stubs ${octave_stubs} ${faithful}
    DEPENDS ${faithful} ${MEXSETS_HELP_TOOL} ${MEXSETS_ROOT}/help/python/octave_stubs.pyi
    COMMENT "type stubs octave/__init__.pyi"
    VERBATIM)
  add_custom_target(python_stubs DEPENDS ${stubs} ${octave_stubs})
  add_dependencies(python_package python_stubs)
endfunction()
