// The program's routines on an in-memory console: Output and Input bound to
// an 80 x 25 window, every key wait answered by a queued key, with a cap so
// that a routine waiting more often than expected fails instead of hanging.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Crt.h"
#include "MemoryConsole.h"
#include "kelmarosz.h"
#include "EndState.h"
#include "TextIO.h"

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        con_ = std::make_unique<MemoryConsole>(80, 25);
        SetPlatform(con_.get());
        ResetConsoleState(80, 25);
        InOutRes = 0;
        AssignCrt(Output);
        Rewrite(Output);
        AssignCrt(Input);
        Reset(Input);
        con_->SetOnEmptyWait([this] {
            if (keyWaits_ < maxKeyWaits_) {
                keyWaits_++;
                con_->PushKey(KeyDown(' ', 57));
            }
        });
    }
    void TearDown() override { SetPlatform(nullptr); }

    // Typed text followed by Enter, in Windows-1250 bytes.
    void Type(const std::string& text) {
        for (unsigned char c : text) con_->PushKey(KeyDown(c, 30));
        con_->PushKey(KeyDown(13, 28));
    }

    // The page colours and a cleared window, as a page of the program starts.
    void FreshPage() {
        Window(1, 1, 80, 25);
        TextBackground(15);
        TextColor(0);
        ClrScr();
    }

    // Row y (0-based) of the screen, trailing spaces removed.
    std::string Row(int y) const {
        std::string s;
        for (int x = 0; x < 80; x++) s += static_cast<char>(con_->CharAt(x, y));
        return s.erase(s.find_last_not_of(' ') + 1);
    }
    std::string RowRaw(int y, int x0, int n) const {
        std::string s;
        for (int x = x0; x < x0 + n; x++) s += static_cast<char>(con_->CharAt(x, y));
        return s;
    }

    // Sets N, M and MAT from the rows as read (before the conversion).
    static void LoadMatrix(const std::vector<std::vector<int>>& rows) {
        MAT = TMATRIX{};
        N = static_cast<int16_t>(rows.size());
        M = static_cast<int16_t>(rows.empty() ? 0 : rows[0].size());
        for (int i = 0; i < N; i++)
            for (int j = 0; j < M; j++) MAT.Cell[i + 1][j + 1] = static_cast<int16_t>(rows[i][j]);
        MAXRM = TRESZMATRIX{1, 1, N, M};
    }
    // The base conversion: occupied cells become -N*M.
    static void Convert() {
        for (int i = 1; i <= N; i++)
            for (int j = 1; j <= M; j++)
                if (MAT.Cell[i][j] != 0) MAT.Cell[i][j] = static_cast<int16_t>(-N * M);
    }

    MemoryConsole& Con() { return *con_; }
    int KeyWaits() const { return keyWaits_; }

    std::unique_ptr<MemoryConsole> con_;
    int keyWaits_ = 0;
    int maxKeyWaits_ = 20;
};
