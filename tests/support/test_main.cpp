// Entry point of every test program: COM and the common controls as the
// program itself has them, then GoogleTest.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    std::fflush(stdout);
    std::fflush(stderr);
    // Wine's media back end can still have threads of its own running when
    // the process unloads it, and now and then one of them crashes the
    // process after every test has passed. The results are in; end here
    // without the unloading.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
