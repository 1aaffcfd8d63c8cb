#include "fail_next_store.h"

#include <cstddef>
#include <new>

bool FailNextStore = false;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (FailNextStore) {
        FailNextStore = false;
        return nullptr;
    }
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
