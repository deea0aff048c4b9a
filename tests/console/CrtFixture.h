// An in-memory console installed for each test, with the window layer's
// state set to a known start: the whole screen as the window, attribute 0x07,
// no pending key.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "Crt.h"
#include "CrtDriver.h"
#include "CrtKeys.h"
#include "CrtLineEditor.h"
#include "MemoryConsole.h"

class CrtTest : public ::testing::Test {
protected:
    void Install(int width, int height) {
        con_ = std::make_unique<MemoryConsole>(width, height);
        SetPlatform(con_.get());
        ResetConsoleState(width, height);
    }
    void SetUp() override { Install(80, 25); }
    void TearDown() override { SetPlatform(nullptr); }

    MemoryConsole& Con() { return *con_; }

    // Writes bytes through the driver as one write statement would.
    void Put(const std::string& bytes) {
        TextRec f{};
        f.Mode = ModeOutput;
        f.BufferSize = TextBufferSize;
        size_t done = 0;
        while (done < bytes.size()) {
            size_t n = std::min<size_t>(bytes.size() - done, TextBufferSize);
            bytes.copy(reinterpret_cast<char*>(f.Buffer), n, done);
            f.BufferPos = static_cast<int32_t>(n);
            CrtWrite(f);
            done += n;
        }
    }
    // Row y (0-based) of the grid, columns [x0, x0 + n).
    std::string Row(int y, int x0 = 0, int n = -1) {
        if (n < 0) n = Con().Grid().Width() - x0;
        std::string s;
        for (int x = x0; x < x0 + n; x++) s += static_cast<char>(Con().CharAt(x, y));
        return s;
    }
    void ExpectCursor(int x, int y) {
        EXPECT_EQ(Con().Grid().Cursor.X, x);
        EXPECT_EQ(Con().Grid().Cursor.Y, y);
    }

    std::unique_ptr<MemoryConsole> con_;
};
