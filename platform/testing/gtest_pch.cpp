// The source of the test framework's shared precompiled header (korvalis_gtest_pch): every
// gtest program reuses the header compiled here instead of parsing the framework again.
