// Compiles the test programs' precompiled header (GoogleTest's), which every
// test program then reuses instead of parsing the header again per file.
