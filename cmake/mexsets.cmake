# Targets generated for every name of MEXSETS_MODULES.
#
#   mexsets_common   static library: common/*.cpp, the computations that
#                    several functions share, linked into every <name>_core
#   <name>_core      static library: the computation, no host
#   <name>_standin   modules/<name>.standin.so for the stand-in host
#   octave/<name>.oct and octave/<name>.m, built with mkoctfile (the folder
#   users add to the path), and octave-mex/<name>.mex and its .m, the MEX
#   gateway as MATLAB runs it, built and tested in Octave
#   matlab/<name>.mexa64 when MATLAB is found
#   python/mexsets/_<name>_native.*.so, _<name>.py (native wrapper) and
#   octave/_<name>.py (Octave-faithful wrapper) when Python is found
#   test_<name>, bench_<name>, fuzz_<name> from tests/, bench/, fuzz/

set(MEXSETS_ROOT ${CMAKE_CURRENT_SOURCE_DIR})
set(MEXSETS_STANDIN_OUT ${CMAKE_BINARY_DIR}/standin)
set(MEXSETS_OCTAVE_OUT ${CMAKE_BINARY_DIR}/octave)
set(MEXSETS_OCTAVE_MEX_OUT ${CMAKE_BINARY_DIR}/octave-mex)
# Builds before the oct-files put the MEX files into the oct-files' folder;
# Octave would find two modules of one name there.
file(GLOB MEXSETS_STALE_MEX ${MEXSETS_OCTAVE_OUT}/*.mex)
if(MEXSETS_STALE_MEX)
  file(REMOVE ${MEXSETS_STALE_MEX})
endif()
file(GLOB MEXSETS_SHARED_HEADERS CONFIGURE_DEPENDS ${MEXSETS_ROOT}/include/mexsets/*.hpp
     ${MEXSETS_ROOT}/common/*.hpp)
# The one rule for common/ that every build follows (CMake here, setup.py,
# build.m, package/src/Makefile): each function is compiled with every
# common/*.cpp, and common/*.hpp is included as "common/<file>.hpp" from the
# repository's root.
file(GLOB MEXSETS_COMMON_SOURCES CONFIGURE_DEPENDS ${MEXSETS_ROOT}/common/*.cpp)

function(mexsets_standin_host)
  add_library(mexsets_headers INTERFACE)
  # The hosts include common/parallel.hpp from the root.
  target_include_directories(mexsets_headers INTERFACE ${MEXSETS_ROOT}/include ${MEXSETS_ROOT})
  target_link_libraries(mexsets_headers INTERFACE Boost::boost TBB::tbb)

  add_library(mexsets_common STATIC ${MEXSETS_COMMON_SOURCES})
  target_include_directories(mexsets_common PUBLIC ${MEXSETS_ROOT})
  target_link_libraries(mexsets_common PUBLIC mexsets_headers)

  add_library(mexsets_standin SHARED ${MEXSETS_ROOT}/standin/mex_standin.cpp)
  target_include_directories(mexsets_standin PUBLIC
    ${MEXSETS_ROOT}/standin/include ${MEXSETS_ROOT}/standin)
  target_compile_definitions(mexsets_standin PRIVATE
    MEXSETS_STANDIN_DIR="${MEXSETS_STANDIN_OUT}")
  target_link_libraries(mexsets_standin PUBLIC mexsets_headers ${CMAKE_DL_LIBS})
  set_target_properties(mexsets_standin PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

  # Support shared by the C++ tests, benchmarks and fuzzers.
  add_library(mexsets_test_support INTERFACE)
  target_include_directories(mexsets_test_support INTERFACE ${MEXSETS_ROOT}/tests/support)
  target_link_libraries(mexsets_test_support INTERFACE mexsets_standin)
endfunction()

function(mexsets_find_octave)
  set(MEXSETS_MKOCTFILE "" PARENT_SCOPE)
  set(MEXSETS_OCTAVE_CLI "" PARENT_SCOPE)
  if(NOT MEXSETS_OCTAVE)
    return()
  endif()
  find_program(MKOCTFILE_EXECUTABLE mkoctfile)
  find_program(OCTAVE_CLI_EXECUTABLE octave-cli)
  if(NOT MKOCTFILE_EXECUTABLE)
    message(STATUS "mexsets: mkoctfile not found, Octave modules skipped")
    return()
  endif()
  set(MEXSETS_MKOCTFILE ${MKOCTFILE_EXECUTABLE} PARENT_SCOPE)
  set(MEXSETS_OCTAVE_CLI ${OCTAVE_CLI_EXECUTABLE} PARENT_SCOPE)
  # Octave's own headers, which an oct-file includes, are compiled as system
  # headers: the project's warnings are not theirs to meet.
  execute_process(COMMAND ${MKOCTFILE_EXECUTABLE} -p OCTINCLUDEDIR
                  OUTPUT_VARIABLE octave_includes OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(octave_parent ${octave_includes} DIRECTORY)
  set(MEXSETS_OCTAVE_SYSTEM_INCLUDES -isystem ${octave_includes} -isystem ${octave_parent}
      PARENT_SCOPE)
  # octave_modules: build/octave, the oct-files; octave_mex_modules:
  # build/octave-mex, the MEX files.
  add_custom_target(octave_modules ALL)
  add_custom_target(octave_mex_modules ALL)
endfunction()

function(mexsets_find_matlab)
  set(MEXSETS_HAVE_MATLAB OFF PARENT_SCOPE)
  if(NOT MEXSETS_MATLAB)
    return()
  endif()
  find_package(Matlab QUIET COMPONENTS MX_LIBRARY)
  if(Matlab_FOUND)
    set(MEXSETS_HAVE_MATLAB ON PARENT_SCOPE)
    message(STATUS "mexsets: MATLAB found in ${Matlab_ROOT_DIR}")
    # libut, beside libmx, offers utIsInterruptPending (Ctrl-C).
    get_filename_component(matlab_libraries ${Matlab_MX_LIBRARY} DIRECTORY)
    find_library(MEXSETS_MATLAB_UT NAMES ut libut PATHS ${matlab_libraries} NO_DEFAULT_PATH
                 REQUIRED)
  else()
    message(STATUS "mexsets: MATLAB not found, MATLAB modules skipped")
  endif()
endfunction()

function(mexsets_add_module name)
  set(dir ${MEXSETS_ROOT}/modules/${name})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${dir}/*.hpp)
  set(gateway ${dir}/${name}_mex.cpp)
  set(binding ${dir}/${name}_python.cpp)
  set(oct_gateway ${dir}/${name}_oct.cpp)
  list(REMOVE_ITEM sources ${gateway} ${binding} ${oct_gateway})

  # A function whose computation lives in common/ has no sources of its own.
  if(sources)
    add_library(${name}_core STATIC ${sources})
    target_include_directories(${name}_core PUBLIC ${dir})
    target_link_libraries(${name}_core PUBLIC mexsets_common)
  else()
    add_library(${name}_core INTERFACE)
    target_include_directories(${name}_core INTERFACE ${dir})
    target_link_libraries(${name}_core INTERFACE mexsets_common)
  endif()

  # Stand-in host: a loadable module that exports mexFunction only.
  add_library(${name}_standin MODULE ${gateway})
  target_link_libraries(${name}_standin PRIVATE ${name}_core mexsets_standin)
  target_link_options(${name}_standin PRIVATE
    -Wl,--version-script=${MEXSETS_ROOT}/cmake/mex_exports.map)
  set_target_properties(${name}_standin PROPERTIES
    PREFIX "" OUTPUT_NAME ${name} SUFFIX ".standin.so"
    LIBRARY_OUTPUT_DIRECTORY ${MEXSETS_STANDIN_OUT})

  # GNU Octave: the oct-file and its help side by side in build/octave, the
  # MEX file and its help in build/octave-mex.
  if(MEXSETS_MKOCTFILE)
    set(depends ${sources} ${headers} ${MEXSETS_SHARED_HEADERS})
    mexsets_add_octave_build(${name} oct ${MEXSETS_OCTAVE_OUT} ${oct_gateway} "${sources}"
                             "${depends}")
    add_dependencies(octave_modules ${name}_octave)
    mexsets_add_octave_build(${name} mex ${MEXSETS_OCTAVE_MEX_OUT} ${gateway} "${sources}"
                             "${depends}")
    add_dependencies(octave_mex_modules ${name}_octave_mex)
  endif()

  # MATLAB: matlab_add_mex exports mexFunction under the symbol version MEX.
  if(MEXSETS_HAVE_MATLAB)
    matlab_add_mex(NAME ${name}_matlab SRC ${gateway} ${sources}
      OUTPUT_NAME ${name} LINK_TO mexsets_common ${MEXSETS_MATLAB_UT} R2018a)
    target_include_directories(${name}_matlab PRIVATE ${dir})
    set_target_properties(${name}_matlab PROPERTIES
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/matlab)
  endif()

  # Python: the binding beside the package's pure-Python files.
  if(MEXSETS_HAVE_PYTHON)
    # No link-time optimisation (NO_EXTRAS): it triples the link time of
    # each binding for calls that spend their time in ${name}_core.
    pybind11_add_module(${name}_python MODULE NO_EXTRAS ${binding})
    target_link_libraries(${name}_python PRIVATE ${name}_core)
    set_target_properties(${name}_python PROPERTIES CXX_VISIBILITY_PRESET hidden
                          VISIBILITY_INLINES_HIDDEN ON)
    set_target_properties(${name}_python PROPERTIES
      OUTPUT_NAME _${name}_native LIBRARY_OUTPUT_DIRECTORY ${MEXSETS_PYTHON_OUT}/mexsets)
    add_dependencies(python_package ${name}_python)
  endif()

  # C++ tests: tests/<name>/*.cpp drive the computation and the gateway.
  file(GLOB test_sources CONFIGURE_DEPENDS ${MEXSETS_ROOT}/tests/${name}/*.cpp)
  if(MEXSETS_TESTS AND test_sources)
    add_executable(test_${name} ${test_sources})
    target_link_libraries(test_${name} PRIVATE ${name}_core mexsets_test_support GTest::gtest_main)
    add_dependencies(test_${name} ${name}_standin)
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}.")
  endif()

  # Octave tests: tests/<name>/*.m run in octave-cli against the oct-file and
  # against the MEX file.
  if(MEXSETS_TESTS)
    mexsets_add_octave_tests(${name} BOTH)
  endif()

  # Benchmarks: bench/<name>/bench_*.cpp with Google Benchmark.
  file(GLOB bench_sources CONFIGURE_DEPENDS ${MEXSETS_ROOT}/bench/${name}/bench_*.cpp)
  if(MEXSETS_BENCH AND benchmark_FOUND AND bench_sources)
    add_executable(bench_${name} ${bench_sources})
    target_include_directories(bench_${name} PRIVATE ${MEXSETS_ROOT}/bench/support
                               ${MEXSETS_ROOT}/tests/${name} ${MEXSETS_ROOT}/tests/support)
    target_link_libraries(bench_${name} PRIVATE ${name}_core mexsets_test_support
                          benchmark::benchmark)
    add_dependencies(bench_${name} ${name}_standin)
  endif()

  # Fuzzers: fuzz/<name>/*.cpp with libFuzzer (clang builds only).
  file(GLOB fuzz_sources CONFIGURE_DEPENDS ${MEXSETS_ROOT}/fuzz/${name}/*.cpp)
  if(MEXSETS_FUZZ AND fuzz_sources)
    add_executable(fuzz_${name} ${fuzz_sources})
    target_include_directories(fuzz_${name} PRIVATE ${MEXSETS_ROOT}/fuzz/support)
    target_link_libraries(fuzz_${name} PRIVATE mexsets_test_support)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzz_${name} ${name}_standin)
  endif()
endfunction()

# One function's oct-file (KIND oct: <name>.oct from GATEWAY <name>_oct.cpp,
# target <name>_octave) or MEX file (KIND mex: <name>.mex, target
# <name>_octave_mex) in OUT (its help beside it: cmake/help.cmake), compiled
# by mkoctfile with the computation's SOURCES; DEPENDS are the other files it
# is rebuilt for.
function(mexsets_add_octave_build name kind out gateway sources depends)
  set(dir ${MEXSETS_ROOT}/modules/${name})
  get_target_property(boost_includes Boost::boost INTERFACE_INCLUDE_DIRECTORIES)
  set(include_flags -I${MEXSETS_ROOT}/include -I${MEXSETS_ROOT} -I${dir})
  get_target_property(tbb_includes TBB::tbb INTERFACE_INCLUDE_DIRECTORIES)
  foreach(path IN LISTS boost_includes tbb_includes)
    if(path AND NOT path STREQUAL "/usr/include")
      list(APPEND include_flags -I${path})
    endif()
  endforeach()
  # Every module links the one shared libtbb (common/parallel.hpp).
  # (mkoctfile takes libraries as -L and -l only.)
  set(tbb_link -L$<TARGET_LINKER_FILE_DIR:TBB::tbb> -ltbb)
  # The project's warnings (MEXSETS_WARNINGS, when the build sets them) or
  # -Wall; mkoctfile reads the flags from CXXFLAGS.
  set(warnings -Wall)
  if(DEFINED MEXSETS_WARNINGS)
    set(warnings ${MEXSETS_WARNINGS})
  endif()
  set(flags -O2 -std=c++17 ${warnings})
  if(kind STREQUAL oct)
    set(mode "")
    set(target ${name}_octave)
    list(APPEND flags ${MEXSETS_OCTAVE_SYSTEM_INCLUDES})
  else()
    # MEXSETS_OCTAVE_MEX: the MEX file runs in Octave and may use what
    # Octave's MEX layer offers besides mex.h (mexsets/mex_host.hpp).
    set(mode --mex)
    set(target ${name}_octave_mex)
    list(APPEND flags ${MEXSETS_OCTAVE_SYSTEM_INCLUDES} -DMEXSETS_OCTAVE_MEX)
    list(APPEND sources ${MEXSETS_ROOT}/include/mexsets/octave_mex_inputs.cpp)
    list(APPEND depends ${MEXSETS_ROOT}/include/mexsets/octave_mex_inputs.cpp)
  endif()
  list(JOIN flags " " cxxflags)
  # common/*.cpp, compiled once for each kind and linked into every module.
  set(objects "")
  foreach(source IN LISTS MEXSETS_COMMON_SOURCES)
    get_filename_component(stem ${source} NAME_WE)
    set(object ${CMAKE_BINARY_DIR}/octave-common/${kind}/${stem}.o)
    if(NOT TARGET mexsets_common_${kind}_${stem})
      add_custom_command(
        OUTPUT ${object}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/octave-common/${kind}
        COMMAND ${CMAKE_COMMAND} -E env "CXXFLAGS=${cxxflags}"
                ${MEXSETS_MKOCTFILE} ${mode} ${include_flags} -c -o ${object} ${source}
        DEPENDS ${source} ${MEXSETS_SHARED_HEADERS}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        COMMENT "mkoctfile ${mode} -c common/${stem}.cpp"
        VERBATIM)
      add_custom_target(mexsets_common_${kind}_${stem} DEPENDS ${object})
    endif()
    list(APPEND objects ${object})
  endforeach()
  set(module ${out}/${name}.${kind})
  add_custom_command(
    OUTPUT ${module}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${CMAKE_COMMAND} -E env "CXXFLAGS=${cxxflags}"
            ${MEXSETS_MKOCTFILE} ${mode} ${include_flags} -o ${module} ${gateway} ${sources}
            ${objects} ${tbb_link}
    # The objects come from their own targets (below); naming them here
    # would make each module a second rule for them.
    DEPENDS ${gateway} ${depends} ${MEXSETS_COMMON_SOURCES}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "mkoctfile ${mode} ${name}.${kind}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${module})
  foreach(object IN LISTS objects)
    get_filename_component(stem ${object} NAME_WE)
    add_dependencies(${target} mexsets_common_${kind}_${stem})
  endforeach()
endfunction()

# tests/<area>/test_*.m, each run in octave-cli against build/octave (the
# oct-files) as the test <area>.octave.<script>; with BOTH also against
# build/octave-mex (the MEX files) as <area>.octave-mex.<script>.
function(mexsets_add_octave_tests area)
  if(NOT MEXSETS_MKOCTFILE OR NOT MEXSETS_OCTAVE_CLI)
    return()
  endif()
  set(folders octave ${MEXSETS_OCTAVE_OUT})
  if(ARGV1 STREQUAL BOTH)
    list(APPEND folders octave-mex ${MEXSETS_OCTAVE_MEX_OUT})
  endif()
  file(GLOB scripts CONFIGURE_DEPENDS ${MEXSETS_ROOT}/tests/${area}/test_*.m)
  foreach(script IN LISTS scripts)
    get_filename_component(stem ${script} NAME_WE)
    set(rest ${folders})
    while(rest)
      list(POP_FRONT rest kind folder)
      add_test(NAME ${area}.${kind}.${stem}
        COMMAND ${MEXSETS_OCTAVE_CLI} --norc --quiet --no-window-system
                ${MEXSETS_ROOT}/tests/octave/run_octave_test.m ${folder} ${script})
    endwhile()
  endforeach()
endfunction()

# Tests that are not about one function: the views, the stand-in host, the
# exports of every built module, and the agreement of everything that lists
# the functions.
function(mexsets_add_shared_tests)
  if(NOT MEXSETS_TESTS)
    return()
  endif()
  foreach(area views standin parallel)
    file(GLOB sources CONFIGURE_DEPENDS ${MEXSETS_ROOT}/tests/${area}/*.cpp)
    if(sources)
      add_executable(test_${area} ${sources})
      target_link_libraries(test_${area} PRIVATE mexsets_test_support GTest::gtest_main)
      if(area STREQUAL parallel)
        target_link_libraries(test_${area} PRIVATE mexsets_common)
      endif()
      if(area STREQUAL standin)
        target_compile_definitions(test_${area} PRIVATE
          MEXSETS_FUNCTION_LIST="${MEXSETS_ROOT}/modules/functions.txt"
          MEXSETS_BUILT_LIST="${CMAKE_BINARY_DIR}/functions.txt")
      endif()
      foreach(name IN LISTS MEXSETS_BUILT_MODULES)
        add_dependencies(test_${area} ${name}_standin)
      endforeach()
      gtest_discover_tests(test_${area} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${area}.")
    endif()
  endforeach()
  # Octave-level checks of the toolbox as a whole (help, demo, package,
  # install, the hosts' behaviour): tests/<area>/test_*.m run in octave-cli
  # against build/octave (the help's and the hosts' also against
  # build/octave-mex), tests/<area>/test_*.sh run with bash ROOT BUILD.
  if(MEXSETS_MKOCTFILE AND MEXSETS_OCTAVE_CLI)
    foreach(area help demo package hosts)
      set(kinds octave)
      if(area STREQUAL help OR area STREQUAL hosts)
        mexsets_add_octave_tests(${area} BOTH)
        list(APPEND kinds octave-mex)
      else()
        mexsets_add_octave_tests(${area})
      endif()
      file(GLOB scripts CONFIGURE_DEPENDS ${MEXSETS_ROOT}/tests/${area}/test_*.m)
      foreach(script IN LISTS scripts)
        get_filename_component(stem ${script} NAME_WE)
        foreach(kind IN LISTS kinds)
          set_tests_properties(${area}.${kind}.${stem} PROPERTIES
            ENVIRONMENT MEXSETS_BUILD=${CMAKE_BINARY_DIR})
        endforeach()
      endforeach()
      file(GLOB scripts CONFIGURE_DEPENDS ${MEXSETS_ROOT}/tests/${area}/test_*.sh)
      foreach(script IN LISTS scripts)
        get_filename_component(stem ${script} NAME_WE)
        add_test(NAME ${area}.${stem}
          COMMAND bash ${script} ${MEXSETS_ROOT} ${CMAKE_BINARY_DIR})
      endforeach()
    endforeach()
    # heap_bytes.oct (BUILD/octave-test): what malloc has handed out, for the
    # leak checks of tests/hosts.
    set(heap ${CMAKE_BINARY_DIR}/octave-test/heap_bytes.oct)
    add_custom_command(
      OUTPUT ${heap}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/octave-test
      COMMAND ${MEXSETS_MKOCTFILE} -o ${heap} ${MEXSETS_ROOT}/tests/hosts/heap_bytes.cpp
      DEPENDS ${MEXSETS_ROOT}/tests/hosts/heap_bytes.cpp
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
      COMMENT "mkoctfile heap_bytes.oct"
      VERBATIM)
    add_custom_target(octave_test_support ALL DEPENDS ${heap})
    # The oct-files and the MEX files give the same results and errors.
    add_test(NAME octave.hosts_agree
      COMMAND ${MEXSETS_OCTAVE_CLI} --norc --quiet --no-window-system
              ${MEXSETS_ROOT}/tests/octave/run_octave_test.m ${MEXSETS_OCTAVE_OUT}
              ${MEXSETS_ROOT}/tests/octave/test_hosts_agree.m)
    set_tests_properties(octave.hosts_agree PROPERTIES
      ENVIRONMENT MEXSETS_BUILD=${CMAKE_BINARY_DIR})
  endif()
  add_test(NAME standin.exports
    COMMAND bash ${MEXSETS_ROOT}/tests/standin/check_exports.sh ${MEXSETS_STANDIN_OUT}
            ${MEXSETS_BUILT_MODULES})
  # Everything that lists the functions against modules/functions.txt; the
  # Octave folders and the Python interpreter are given when this build has
  # them.
  set(octave_out "")
  set(octave_mex_out "")
  if(MEXSETS_MKOCTFILE)
    set(octave_out ${MEXSETS_OCTAVE_OUT})
    set(octave_mex_out ${MEXSETS_OCTAVE_MEX_OUT})
  endif()
  set(python "")
  if(MEXSETS_HAVE_PYTHON)
    set(python ${MEXSETS_PYTHON_EXECUTABLE})
  endif()
  add_test(NAME list.functions
    COMMAND bash ${MEXSETS_ROOT}/tests/list/test_function_list.sh ${MEXSETS_ROOT}
            ${CMAKE_BINARY_DIR} "${octave_out}" "${python}" "${octave_mex_out}")
  # Ctrl-C during a long call (rank_diverse, suppress_overlaps) in each host:
  # tests/interrupt/check_interrupt.py, run by the package's Python, sends
  # SIGINT to a child process and bounds the time the call takes to end.
  # Alone on the machine, so that the bound measures the call only.
  if(MEXSETS_HAVE_PYTHON AND "rank_diverse" IN_LIST MEXSETS_BUILT_MODULES
     AND "suppress_overlaps" IN_LIST MEXSETS_BUILT_MODULES)
    set(check ${MEXSETS_ROOT}/tests/interrupt/check_interrupt.py)
    add_test(NAME interrupt.python
      COMMAND ${MEXSETS_PYTHON_EXECUTABLE} ${check} python ${MEXSETS_PYTHON_OUT})
    set(tests interrupt.python)
    if(MEXSETS_MKOCTFILE AND MEXSETS_OCTAVE_CLI)
      add_test(NAME interrupt.octave
        COMMAND ${MEXSETS_PYTHON_EXECUTABLE} ${check} octave ${MEXSETS_OCTAVE_CLI}
                ${MEXSETS_OCTAVE_OUT})
      add_test(NAME interrupt.octave-mex
        COMMAND ${MEXSETS_PYTHON_EXECUTABLE} ${check} octave ${MEXSETS_OCTAVE_CLI}
                ${MEXSETS_OCTAVE_MEX_OUT})
      list(APPEND tests interrupt.octave interrupt.octave-mex)
    endif()
    set_tests_properties(${tests} PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)
  endif()
endfunction()

# The comparison benchmark: one driver over every function's
# bench/<name>/compare_<name>.cpp (transcription vs kernel, with the Octave side
# in bench/compare/compare_octave.m).
# bench_parallel: bench/parallel/*.cpp, the parallel layer's own timings
# (common/parallel.hpp), apart from any function (so no bench_<name> files,
# which the function list's check reads as a function's).
function(mexsets_add_parallel_bench)
  file(GLOB sources CONFIGURE_DEPENDS ${MEXSETS_ROOT}/bench/parallel/*.cpp)
  if(benchmark_FOUND AND sources)
    add_executable(bench_parallel ${sources})
    target_link_libraries(bench_parallel PRIVATE mexsets_common benchmark::benchmark)
  endif()
endfunction()

function(mexsets_add_compare)
  set(sources ${MEXSETS_ROOT}/bench/compare/compare_main.cpp)
  set(cores "")
  set(includes ${MEXSETS_ROOT}/bench/compare ${MEXSETS_ROOT}/bench/support)
  foreach(name IN LISTS MEXSETS_BUILT_MODULES)
    file(GLOB found CONFIGURE_DEPENDS ${MEXSETS_ROOT}/bench/${name}/compare_*.cpp)
    if(found)
      list(APPEND sources ${found})
      list(APPEND cores ${name}_core)
      list(APPEND includes ${MEXSETS_ROOT}/tests/${name})
    endif()
  endforeach()
  add_executable(mexsets_compare ${sources})
  target_include_directories(mexsets_compare PRIVATE ${includes})
  target_link_libraries(mexsets_compare PRIVATE ${cores} mexsets_headers)
endfunction()

# The toolbox index, Contents.m, beside the modules and their help (in both
# Octave folders).
function(mexsets_add_toolbox_index)
  set(index ${MEXSETS_ROOT}/modules/Contents.m)
  if(NOT MEXSETS_MKOCTFILE OR NOT EXISTS ${index})
    return()
  endif()
  foreach(out IN ITEMS ${MEXSETS_OCTAVE_OUT} ${MEXSETS_OCTAVE_MEX_OUT})
    add_custom_command(
      OUTPUT ${out}/Contents.m
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
      COMMAND ${CMAKE_COMMAND} -E copy ${index} ${out}/Contents.m
      DEPENDS ${index}
      VERBATIM)
  endforeach()
  add_custom_target(octave_contents DEPENDS ${MEXSETS_OCTAVE_OUT}/Contents.m)
  add_dependencies(octave_modules octave_contents)
  add_custom_target(octave_mex_contents DEPENDS ${MEXSETS_OCTAVE_MEX_OUT}/Contents.m)
  add_dependencies(octave_mex_modules octave_mex_contents)
endfunction()

# Python: an interpreter with NumPy (MEXSETS_PYTHON_EXECUTABLE, or the one
# tools/python.sh finds) and pybind11 build the package into build/python.
function(mexsets_find_python)
  set(MEXSETS_HAVE_PYTHON OFF PARENT_SCOPE)
  set(MEXSETS_PYTHON_OUT ${CMAKE_BINARY_DIR}/python PARENT_SCOPE)
  if(NOT MEXSETS_PYTHON)
    return()
  endif()
  if(MEXSETS_PYTHON_EXECUTABLE)
    set(Python_EXECUTABLE ${MEXSETS_PYTHON_EXECUTABLE})
  endif()
  find_package(Python 3.8 QUIET COMPONENTS Interpreter Development.Module)
  set(PYBIND11_FINDPYTHON ON)
  find_package(pybind11 2.6 CONFIG QUIET)
  if(NOT Python_FOUND OR NOT pybind11_FOUND)
    message(STATUS "mexsets: Python or pybind11 not found, Python package skipped")
    return()
  endif()
  execute_process(COMMAND ${Python_EXECUTABLE} -c "import numpy"
                  RESULT_VARIABLE no_numpy OUTPUT_QUIET ERROR_QUIET)
  if(no_numpy)
    message(STATUS "mexsets: ${Python_EXECUTABLE} has no NumPy, Python package skipped")
    return()
  endif()
  message(STATUS "mexsets: Python package for ${Python_EXECUTABLE}")
  set(MEXSETS_HAVE_PYTHON ON PARENT_SCOPE)
  set(MEXSETS_PYTHON_EXECUTABLE ${Python_EXECUTABLE} CACHE FILEPATH "Python for the package" FORCE)
  add_custom_target(python_package ALL)
endfunction()

# The package's pure-Python files, its version, and the Python tests.
function(mexsets_add_python_package)
  if(NOT MEXSETS_HAVE_PYTHON)
    return()
  endif()
  set(out ${MEXSETS_PYTHON_OUT}/mexsets)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${MEXSETS_ROOT}/python/mexsets
       ${MEXSETS_ROOT}/python/mexsets/*)
  foreach(file IN LISTS files)
    if(NOT file MATCHES "__pycache__")
      configure_file(${MEXSETS_ROOT}/python/mexsets/${file} ${out}/${file} COPYONLY)
    endif()
  endforeach()
  file(CONFIGURE OUTPUT ${out}/_version.py
    CONTENT "__version__ = \"${PROJECT_VERSION}\"\n" @ONLY)
  # The list as built (MEXSETS_ONLY may have narrowed it).
  configure_file(${CMAKE_BINARY_DIR}/functions.txt ${out}/functions.txt COPYONLY)
  if(MEXSETS_TESTS)
    add_test(NAME python.pytest
      COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${MEXSETS_PYTHON_OUT}
              MEXSETS_ROOT=${MEXSETS_ROOT} MEXSETS_BUILD=${CMAKE_BINARY_DIR}
              MEXSETS_OCTAVE_CLI=${MEXSETS_OCTAVE_CLI}
              ${MEXSETS_PYTHON_EXECUTABLE} -m pytest -q -p no:cacheprovider ${MEXSETS_ROOT}/tests
              --rootdir=${MEXSETS_ROOT} -c ${MEXSETS_ROOT}/tests/pytest.ini)
    add_test(NAME python.install
      COMMAND bash ${MEXSETS_ROOT}/tests/python/test_install.sh ${MEXSETS_ROOT}
              ${MEXSETS_PYTHON_EXECUTABLE})
    # The documentation site, built by tools/docs.sh and opened in headless
    # Chromium (skipped, exit 77, where there is none). Its pages and gallery
    # use every function.
    if(NOT MEXSETS_ONLY)
      add_test(NAME docs.site
        COMMAND bash ${MEXSETS_ROOT}/tests/docs/test_docs.sh ${MEXSETS_ROOT} ${CMAKE_BINARY_DIR})
      set_tests_properties(docs.site PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900)
    endif()
  endif()
endfunction()
