// A test program that links fail_next_store.cpp replaces the nothrow array new, which the image
// stores come from, so that a test can make the next store fail.
#pragma once

// Set by a test; the next nothrow array new returns null and clears it.
extern bool FailNextStore;
