# Sourced by the shell tools and tests that need what the project says once:
# the version of project(mexsets VERSION ...) in CMakeLists.txt and the
# functions of modules/functions.txt. Each prints nothing when it finds none.
#   mexsets_version ROOT
#   mexsets_modules ROOT          (one name a line, in the order of the list)
#   mexsets_list_names FILE       (the names of any list in that format)
#   mexsets_werror_arg            (-DMEXSETS_WERROR=ON when the environment
#                                  has MEXSETS_WERROR=1, as CI does, else OFF)
# A list holds one name a line (lower-case letters and underscores, the whole
# line); blank lines and lines starting with # are skipped. CMake, build.m,
# the Python package and the tests read exactly these lines.
mexsets_version() {
  sed -n 's/^project(mexsets VERSION \([0-9][0-9.]*\).*/\1/p' "$1/CMakeLists.txt"
}
mexsets_list_names() {
  grep -E '^[a-z_]+$' "$1" 2>/dev/null || true
}
mexsets_modules() {
  mexsets_list_names "$1/modules/functions.txt"
}
# Given on every configure, so that a build folder once configured with
# warnings as errors does not keep them when the environment no longer asks.
mexsets_werror_arg() {
  if [ "${MEXSETS_WERROR:-0}" = 1 ]; then
    echo -DMEXSETS_WERROR=ON
  else
    echo -DMEXSETS_WERROR=OFF
  fi
}
