// Both programs start under the platform as real Windows programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "support/child_program.h"
#include "support/pe_imports.h"
#include "support/test_files.h"

namespace {

std::vector<std::string> LowerImports(const std::wstring& exe) {
    std::vector<std::string> names = ReadPeImports(ReadBytes(exe));
    for (std::string& n : names) {
        std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return std::tolower(c); });
    }
    return names;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Starts the program in its own folder (so it keeps its settings file there)
// on an empty folder, checks its window and closes it.
void StartAndClose(const std::wstring& exe, const TempFolder& folder) {
    TempFolder start;
    ChildProgram program;
    ASSERT_TRUE(program.Start(exe, L"\"" + start.path() + L"\"", folder.path()));
    HWND window = program.WaitForWindow(L"Zuv");
    ASSERT_NE(window, nullptr);
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Zuv");
    EXPECT_EQ(GetParent(window), nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 12345;
    ASSERT_TRUE(program.WaitForExit(20000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace

TEST(ProgramStart, PlainProgramOpensAndClosesItsWindow) {
    TempFolder folder;
    std::wstring exe = CopyProgramInto(ZuvPlainExe(), folder.path());
    StartAndClose(exe, folder);
}

TEST(ProgramStart, PdfProgramOpensWithPdfiumBesideIt) {
    TempFolder folder;
    std::wstring exe = CopyProgramInto(ZuvExe(), folder.path());
    ASSERT_TRUE(CopyFileW(PdfiumStandInDll().c_str(), (folder / L"pdfium.dll").c_str(), FALSE));
    StartAndClose(exe, folder);
}

TEST(ProgramStart, OnlyZuvImportsPdfium) {
    std::vector<std::string> zuv = LowerImports(ZuvExe());
    std::vector<std::string> plain = LowerImports(ZuvPlainExe());
    ASSERT_FALSE(zuv.empty());
    ASSERT_FALSE(plain.empty());
    EXPECT_TRUE(Contains(zuv, "pdfium.dll"));
    EXPECT_FALSE(Contains(plain, "pdfium.dll"));
}

TEST(ProgramStart, NoMingwRuntimeDllIsImported) {
    for (const std::wstring& exe : {ZuvExe(), ZuvPlainExe()}) {
        for (const std::string& name : LowerImports(exe)) {
            EXPECT_EQ(name.find("libgcc"), std::string::npos) << name;
            EXPECT_EQ(name.find("libstdc++"), std::string::npos) << name;
            EXPECT_EQ(name.find("libwinpthread"), std::string::npos) << name;
            EXPECT_EQ(name.find("zlib"), std::string::npos) << name;
            EXPECT_EQ(name.find("libz"), std::string::npos) << name;
        }
    }
}

TEST(ProgramStart, DragSourceTakesItsTwoShellFunctionsByOrdinal) {
    for (const std::wstring& exe : {ZuvExe(), ZuvPlainExe()}) {
        SCOPED_TRACE(ToUtf8(exe));
        std::vector<unsigned> ordinals;
        for (const PeImport& entry : ReadPeImportTable(ReadBytes(exe))) {
            if (_stricmp(entry.dll.c_str(), "shell32.dll") != 0) continue;
            ordinals.insert(ordinals.end(), entry.ordinals.begin(), entry.ordinals.end());
            for (const std::string& function : entry.functions) {
                EXPECT_NE(function, "ILCreateFromPathW");
                EXPECT_NE(function, "ILFree");
            }
        }
        std::sort(ordinals.begin(), ordinals.end());
        EXPECT_EQ(ordinals, std::vector<unsigned>({155, 190}));
    }
}
