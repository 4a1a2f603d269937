# Sourced by the shell tools and tests that need what CMakeLists.txt says
# once: the version of project(mexsets VERSION ...) and the functions of
# MEXSETS_MODULES. Both print nothing when the line is missing.
#   mexsets_version ROOT
#   mexsets_modules ROOT    (one name a line)
mexsets_version() {
  sed -n 's/^project(mexsets VERSION \([0-9][0-9.]*\).*/\1/p' "$1/CMakeLists.txt"
}
mexsets_modules() {
  sed -n '/^set(MEXSETS_MODULES/,/)/p' "$1/CMakeLists.txt" |
    sed 's/set(MEXSETS_MODULES//; s/)//; s/#.*//' | tr -s ' \n' '\n' | grep -v '^$' || true
}
