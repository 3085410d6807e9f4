// The installer's window and message box on Windows, as the system sees them: the window's
// title, size and label, the label's font, that both are painted when showWaitWindow returns,
// and the message box's text read back from the box itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/ui.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::toWide;

int screenDpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

// Twips (1440 to the inch) in pixels at the screen's resolution.
int pixels(int twips) {
    return ::MulDiv(twips, screenDpi(), 1440);
}

std::wstring textOf(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

// The installer's windows on this thread: the window titled "B", and its one child.
struct ShownWindow {
    HWND form = nullptr;
    HWND label = nullptr;
};

ShownWindow findWindow() {
    ShownWindow found;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM result) -> BOOL {
            if (textOf(window) != L"B") return TRUE;
            reinterpret_cast<ShownWindow*>(result)->form = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found.form != nullptr) found.label = ::GetWindow(found.form, GW_CHILD);
    return found;
}

// Counts the pixels of `window`'s client area that have `colour`.
int pixelsOfColour(HWND window, COLORREF colour) {
    RECT area{};
    ::GetClientRect(window, &area);
    const HDC dc = ::GetDC(window);
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) count += ::GetPixel(dc, x, y) == colour;
    }
    ::ReleaseDC(window, dc);
    return count;
}

TEST(WindowUiTest, ShowsTheFormWithItsLabelPaintedAtOnce) {
    const std::unique_ptr<Ui> ui = makeUi();
    ui->showWaitWindow();

    const ShownWindow shown = findWindow();
    ASSERT_NE(shown.form, nullptr) << "no window titled B";
    ASSERT_NE(shown.label, nullptr) << "the window has no label";
    EXPECT_TRUE(::IsWindowVisible(shown.form));
    EXPECT_TRUE(::IsWindowVisible(shown.label));
    EXPECT_EQ(::GetWindow(shown.label, GW_HWNDNEXT), nullptr) << "more than one control";

    RECT client{};
    ::GetClientRect(shown.form, &client);
    EXPECT_EQ(client.right, pixels(4200));
    EXPECT_EQ(client.bottom, pixels(2688));

    EXPECT_EQ(classOf(shown.label), L"Static");
    EXPECT_EQ(textOf(shown.label), L"Attendere");
    EXPECT_EQ(::GetWindowLongW(shown.label, GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    RECT label{};
    ::GetWindowRect(shown.label, &label);
    ::MapWindowPoints(HWND_DESKTOP, shown.form, reinterpret_cast<POINT*>(&label), 2);
    EXPECT_EQ(label.left, pixels(960));
    EXPECT_EQ(label.top, pixels(960));
    EXPECT_EQ(label.right - label.left, pixels(2652));
    EXPECT_EQ(label.bottom - label.top, pixels(792));

    // Nothing is left to paint, and the label's area holds both its background and its text.
    EXPECT_FALSE(::GetUpdateRect(shown.form, nullptr, FALSE));
    EXPECT_FALSE(::GetUpdateRect(shown.label, nullptr, FALSE));
    const int labelArea = (label.right - label.left) * (label.bottom - label.top);
    const int background = pixelsOfColour(shown.label, ::GetSysColor(COLOR_BTNFACE));
    const int text = pixelsOfColour(shown.label, ::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_GT(background, labelArea / 2);
    EXPECT_GT(text, 50) << "no text drawn in the label";

    ui->close();
    EXPECT_FALSE(::IsWindow(shown.form));
}

// The form's 24 point bold "MS Sans Serif", or the largest size of the face that stands in for
// it that keeps the whole word inside the label.
TEST(WindowUiTest, LabelFontIsTheFormsBoldFaceAndTheWordFits) {
    const std::unique_ptr<Ui> ui = makeUi();
    ui->showWaitWindow();
    const ShownWindow shown = findWindow();
    ASSERT_NE(shown.label, nullptr);

    const auto font = reinterpret_cast<HFONT>(::SendMessageW(shown.label, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "the label keeps the system font";
    LOGFONTW described{};
    ASSERT_NE(::GetObjectW(font, sizeof described, &described), 0);
    EXPECT_EQ(std::wstring(described.lfFaceName), L"MS Sans Serif");
    EXPECT_EQ(described.lfWeight, FW_BOLD);
    EXPECT_FALSE(described.lfItalic);
    EXPECT_FALSE(described.lfUnderline);

    const int fullSize = ::MulDiv(24, screenDpi(), 72);
    const auto widthOf = [&](HFONT f) {
        const HDC dc = ::GetDC(shown.label);
        const HGDIOBJ previous = ::SelectObject(dc, f);
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, L"Attendere", 9, &extent);
        ::SelectObject(dc, previous);
        ::ReleaseDC(shown.label, dc);
        return extent.cx;
    };
    LOGFONTW full = described;
    full.lfHeight = -fullSize;
    const HFONT fullFont = ::CreateFontIndirectW(&full);
    const bool fullSizeFits = widthOf(fullFont) <= pixels(2652);
    ::DeleteObject(fullFont);

    EXPECT_LE(widthOf(font), pixels(2652));
    if (fullSizeFits) {
        EXPECT_EQ(described.lfHeight, -fullSize);
    } else {
        EXPECT_GT(described.lfHeight, -fullSize);
        EXPECT_LE(described.lfHeight, -::MulDiv(12, screenDpi(), 72));
    }
}

// Sets the message box seam's variable for the life of the object.
class MessageLog {
  public:
    MessageLog() : path_(std::filesystem::temp_directory_path() / L"ui-test-messages.txt") {
        std::filesystem::remove(path_);
        _wputenv_s(L"SCENARIO_TEST_MESSAGE_LOG", path_.c_str());
    }
    ~MessageLog() {
        _wputenv_s(L"SCENARIO_TEST_MESSAGE_LOG", L"");
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    std::string lines() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    std::filesystem::path path_;
};

// The text reaches the box as it is, in any script, whether or not the window is still there.
TEST(WindowUiTest, MessageBoxShowsTheTextAsItIs) {
    const MessageLog log;
    const std::unique_ptr<Ui> ui = makeUi();
    ui->showWaitWindow();
    ui->showMessage(" Errore n. 1250");
    const std::string path =
        "Z:\\Prova \xC5\x81\xC3\xB3"
        "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC\\X.dat";
    ui->showMessage("cannot write " + path);
    ui->close();
    ui->showMessage("dopo");
    EXPECT_EQ(log.lines(), " Errore n. 1250\ncannot write " + path + "\ndopo\n");
}

}  // namespace
}  // namespace platform
