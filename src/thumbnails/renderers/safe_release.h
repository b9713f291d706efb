// Releasing a COM pointer that may be null, leaving it null.
#pragma once

template <typename T>
void SafeRelease(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}
