// Counts the program's heap allocations through operator new, for tests that prove a
// piece of code allocates nothing.
#pragma once

long AllocationCount();
