// The tree_leaf_sets computation, compiled into this module: every build
// (CMake, build.m, the Octave package, setup.py) compiles the .cpp files of
// a module's own folder only.
#include "../tree_leaf_sets/tree_leaf_sets.cpp"
