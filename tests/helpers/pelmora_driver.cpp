// Works the running Pelmora window as a user would, from another process in the same Wine
// prefix, for the end-to-end scripts. One subcommand per call; it prints what it saw and
// its exit code says whether it saw what was asked for:
//   0 yes, 1 no (timed out or a different state), 2 usage error.
//
// Every wait has a timeout and every cross-process query uses SendMessageTimeout, so the
// driver never hangs on a busy or dead window. Clicks whose handlers run a modal loop (the
// save dialog, the About box, the close protocol) are posted, never sent. Windows are found, and
// the save dialog typed into, as the benchmark's driver does (PelmoraWindows.h).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "PelmoraWindows.h"
#include "resource.h"

namespace
{
using namespace pelmorawindows;

const wchar_t kAboutCaption[] = L"About Pelmora";
const int kFileTypeComboId = 1136;
const DWORD kDefaultTimeoutMs = 10000;

void PrintLine(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

// Polls `test` every kPollMs until it holds or `timeoutMs` has passed; returns whether it held.
bool Wait(DWORD timeoutMs, const std::function<bool()>& test)
{
    return dialogtest::PumpUntil(test, timeoutMs, kPollMs);
}

std::wstring Hex(const void* value)
{
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"0x%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(value)));
    return buffer;
}

// A text that another process's window gives in two answers, its length and then the text: a
// window's own (WM_GETTEXT, whose wParam is the buffer's size) or a combo box item's.
bool QueryText(HWND hwnd, UINT lengthMessage, UINT textMessage, WPARAM item, std::wstring* text)
{
    LRESULT length = 0, copied = 0;
    if (!hwnd || !Query(hwnd, lengthMessage, item, 0, &length) || length < 0)
        return false;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 2, L'\0');
    if (!Query(hwnd, textMessage, textMessage == WM_GETTEXT ? buffer.size() : item,
               reinterpret_cast<LPARAM>(buffer.data()), &copied))
        return false;
    *text = buffer.data();
    return true;
}

std::wstring WindowText(HWND hwnd)
{
    std::wstring text;
    QueryText(hwnd, WM_GETTEXTLENGTH, WM_GETTEXT, 0, &text);
    return text;
}

void PostKeyPress(HWND hwnd, WORD key)
{
    PostMessageW(hwnd, WM_KEYDOWN, key, 1);
    PostMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
}

// Waits for `window` to go away and says so, calling it `name`.
int WaitClosed(HWND window, const std::wstring& name, DWORD timeoutMs)
{
    bool closed = Wait(timeoutMs, [&] { return !IsWindow(window); });
    PrintLine(name + (closed ? L" closed" : L" still open"));
    return closed ? 0 : 1;
}

struct DriveList
{
    bool ok = false;
    std::vector<std::wstring> entries;
    int selected = -1;
};

DriveList ReadDrives(HWND main)
{
    DriveList list;
    HWND combo = GetDlgItem(main, IDC_DRIVES);
    LRESULT count = 0, selected = 0;
    if (!combo || !Query(combo, CB_GETCOUNT, 0, 0, &count) || !Query(combo, CB_GETCURSEL, 0, 0, &selected))
        return list;
    for (LRESULT i = 0; i < count; ++i)
    {
        std::wstring entry;
        if (!QueryText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, i, &entry))
            return list;
        list.entries.push_back(entry);
    }
    list.selected = static_cast<int>(selected);
    list.ok = true;
    return list;
}

DWORD TimeoutArg(int argc, wchar_t** argv, int index)
{
    return argc > index ? static_cast<DWORD>(_wtoi(argv[index])) : kDefaultTimeoutMs;
}

// ---- subcommands; those given `main` run only once the main window has been found ----

int WaitMain(DWORD timeoutMs)
{
    HWND main = nullptr;
    bool found = Wait(timeoutMs, [&] {
        main = FindMain();
        return main && IsWindowVisible(main);
    });
    PrintLine(found ? L"main window " + Hex(main) : L"no main window");
    return found ? 0 : 1;
}

int MainCount()
{
    PrintLine(L"main windows: " + std::to_wstring(Dialogs(kMainCaption).size()));
    return 0;
}

int Drives(HWND main)
{
    DriveList list = ReadDrives(main);
    if (!list.ok)
    {
        PrintLine(L"cannot read the drive list");
        return 1;
    }
    for (const std::wstring& entry : list.entries)
        PrintLine(L"entry: [" + entry + L"]");
    PrintLine(L"selected: " + std::to_wstring(list.selected));
    return 0;
}

// Waits until the drive list holds (or, with `present` false, no longer holds) `entry`.
int WaitEntry(HWND main, const wchar_t* entry, bool present, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    bool seen = Wait(timeoutMs, [&] {
        DriveList list = ReadDrives(main);
        bool has = false;
        for (const std::wstring& e : list.entries)
            has = has || e == entry;
        return list.ok && has == present;
    });
    PrintLine(std::wstring(seen ? L"after " : L"not after ") + std::to_wstring(GetTickCount() - start) + L" ms: [" +
              entry + (present ? L"] listed" : L"] gone"));
    return seen ? 0 : 1;
}

int Select(HWND main, int index)
{
    HWND combo = GetDlgItem(main, IDC_DRIVES);
    LRESULT result = 0;
    if (!Query(combo, CB_SETCURSEL, index, 0, &result) || result != index)
    {
        PrintLine(L"cannot select entry " + std::to_wstring(index));
        return 1;
    }
    // CB_SETCURSEL does not notify; a user's choice does.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_DRIVES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    const DriveList list = ReadDrives(main);
    const bool listed = list.selected >= 0 && list.selected < static_cast<int>(list.entries.size());
    PrintLine(L"selected " + std::to_wstring(index) + L": [" + (listed ? list.entries[list.selected] : L"") + L"]");
    return 0;
}

struct ButtonState
{
    std::wstring caption;
    bool enabled = false;
};

ButtonState ReadButton(HWND main)
{
    HWND button = GetDlgItem(main, IDC_CREATE);
    return {WindowText(button), button && IsWindowEnabled(button) != FALSE};
}

std::wstring Describe(const ButtonState& state)
{
    return L"button: [" + state.caption + L"] " + (state.enabled ? L"enabled" : L"disabled");
}

// Waits for the button to read `caption` and be in `enabled` ("enabled", "disabled", "any").
int WaitButton(HWND main, const wchar_t* caption, const wchar_t* enabled, DWORD timeoutMs)
{
    ButtonState state;
    bool seen = Wait(timeoutMs, [&] {
        state = ReadButton(main);
        bool stateOk = wcscmp(enabled, L"any") == 0 || (wcscmp(enabled, L"enabled") == 0) == state.enabled;
        return state.caption == caption && stateOk;
    });
    PrintLine(Describe(state));
    return seen ? 0 : 1;
}

// Presses the button as a user can: only when it is enabled.
int Click(HWND main)
{
    ButtonState state = ReadButton(main);
    PrintLine(Describe(state));
    if (!state.enabled)
    {
        PrintLine(L"the button is disabled: not clicked");
        return 1;
    }
    PostClick(main, IDC_CREATE);
    return 0;
}

void PrintChildTexts(HWND dialog)
{
    dialogtest::ForEachWindow(dialog, [](HWND hwnd) {
        // An icon static's text is the icon's resource ordinal, not words: show the icon instead.
        LRESULT icon = 0;
        bool isIcon =
            (GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && dialogtest::ClassOf(hwnd) == L"Static";
        std::wstring text = isIcon ? (Query(hwnd, STM_GETICON, 0, 0, &icon) && icon ? L"icon" : L"no icon")
                                   : L"[" + WindowText(hwnd) + L"]";
        PrintLine(L"  " + dialogtest::ClassOf(hwnd) + L" " + std::to_wstring(GetDlgCtrlID(hwnd)) + L" " + text +
                  (IsWindowEnabled(hwnd) ? L"" : L" disabled"));
        return true;
    });
}

// Prints a box, its lines and buttons under `heading`; given a button (IDOK, IDYES, IDCONTINUE...),
// presses it and waits for the box to go away.
int AnswerBox(HWND box, const std::wstring& heading, const std::wstring& name, int button, DWORD timeoutMs)
{
    PrintLine(heading);
    PrintChildTexts(box);
    if (!button)
        return 0;
    PostClick(box, button);
    return WaitClosed(box, name, timeoutMs);
}

std::wstring SelectedFileType(HWND dialog)
{
    HWND types = dialogtest::FindDescendant(dialog, kFileTypeComboId, L"ComboBox");
    LRESULT index = -1;
    std::wstring text;
    if (!types || !Query(types, CB_GETCURSEL, 0, 0, &index) || index < 0 ||
        !QueryText(types, CB_GETLBTEXTLEN, CB_GETLBTEXT, index, &text))
        return L"";
    return text;
}

// Clicks "Create ISO" and waits for the save dialog; returns it, or null.
HWND OpenSaveDialog(HWND main, DWORD timeoutMs)
{
    if (Click(main) != 0)
        return nullptr;
    HWND dialog = WaitSaveDialog(main, timeoutMs);
    if (!dialog)
    {
        PrintLine(L"no save dialog");
        return nullptr;
    }
    PrintLine(L"save dialog: [" + WindowText(dialog) + L"] file type: [" + SelectedFileType(dialog) +
              L"] file name: [" + WindowText(FileNameEdit(dialog)) + L"]");
    return dialog;
}

// Whether choosing `path` brings Pelmora's own replace question: an existing file without a map
// or unfinished work beside it (those are offered to be finished instead). Asked before the name
// is typed: once the dialog is gone, a copy may have made the file.
bool ReplaceQuestionDue(const wchar_t* path)
{
    const auto missing = [path](const wchar_t* suffix) {
        return GetFileAttributesW((std::wstring(path) + suffix).c_str()) == INVALID_FILE_ATTRIBUTES;
    };
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) && missing(L".map") &&
           missing(L".pelmora-partial") && missing(L".pelmora-partial.map");
}

// In the open save dialog, types `path` (or, when null, cancels), and once the dialog is gone
// answers the replace question when the file exists: Yes when `replace`.
int AnswerSaveDialog(HWND main, HWND dialog, const wchar_t* path, DWORD timeoutMs, bool replace = true)
{
    const bool questionDue = path && ReplaceQuestionDue(path);
    if (!path)
        PostClick(dialog, IDCANCEL);
    else if (!TypeFileName(dialog, path))
    {
        PrintLine(L"cannot type the file name");
        return 1;
    }
    bool closed = Wait(timeoutMs, [&] { return !IsWindow(dialog); });
    PrintLine(closed ? L"save dialog closed" : L"save dialog still open");
    if (!closed || !questionDue)
        return closed ? 0 : 1;
    HWND question = WaitOwnedDialog(main, timeoutMs, [](HWND) { return true; });
    if (!question)
    {
        PrintLine(L"no overwrite question");
        return 1;
    }
    return AnswerBox(question, L"overwrite question: [" + WindowText(question) + L"] answered " + (replace ? L"yes" : L"no"),
                     L"overwrite question", replace ? IDYES : IDNO, timeoutMs);
}

// Types the name of an existing file and answers the replace question with No.
int CreateDeclined(HWND main, const wchar_t* path, DWORD timeoutMs)
{
    HWND dialog = OpenSaveDialog(main, timeoutMs);
    if (!dialog)
        return 1;
    if (!ReplaceQuestionDue(path))
    {
        PrintLine(L"the file does not exist: no question to decline");
        return 1;
    }
    return AnswerSaveDialog(main, dialog, path, timeoutMs, false);
}

int Create(HWND main, const wchar_t* path, DWORD timeoutMs)
{
    HWND dialog = OpenSaveDialog(main, timeoutMs);
    return dialog ? AnswerSaveDialog(main, dialog, path, timeoutMs) : 1;
}

// The second half of a "create" split in two by the caller (who acts while the dialog is open).
int SaveAs(HWND main, const wchar_t* path, DWORD timeoutMs)
{
    HWND dialog = WaitSaveDialog(main, timeoutMs);
    if (!dialog)
    {
        PrintLine(L"no save dialog");
        return 1;
    }
    return AnswerSaveDialog(main, dialog, path, timeoutMs);
}

// Enter and Escape as the dialog manager turns them into commands: a key press on the
// focused drive list, then the command itself in case the key press went elsewhere.
int Key(HWND main, WORD key)
{
    PostKeyPress(GetDlgItem(main, IDC_DRIVES), key);
    PostClick(main, key == VK_RETURN ? IDOK : IDCANCEL);
    // WM_NULL answers only after the posted messages have been handled.
    LRESULT ignored = 0;
    bool alive = Query(main, WM_NULL, 0, 0, &ignored);
    PrintLine(std::wstring(key == VK_RETURN ? L"enter" : L"escape") + (alive ? L" handled" : L" not answered"));
    return alive ? 0 : 1;
}

// Tells the main window, as the shell does, that its taskbar button now exists, so that it
// takes up the shell's taskbar interface. Answers once the window has handled it.
int TaskbarCreated(HWND main)
{
    LRESULT ignored = 0;
    if (!Query(main, RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0, &ignored))
        return 1;
    PrintLine(L"taskbar button created: handled");
    return 0;
}

// Opens the About box from the system menu, prints what it holds and closes it with
// `how` ("ok" or "escape"). Fails unless the box appears and goes away again.
int About(HWND main, const wchar_t* how, DWORD timeoutMs)
{
    PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUT, 0);
    HWND about = nullptr;
    if (!Wait(timeoutMs, [&] {
            std::vector<HWND> found = Dialogs(kAboutCaption);
            about = found.empty() ? nullptr : found.front();
            return about && IsWindowVisible(about);
        }))
    {
        PrintLine(L"no About box");
        return 1;
    }
    PrintLine(L"About box " + Hex(about) + L" owned by the main window: " +
              (GetWindow(about, GW_OWNER) == main ? L"yes" : L"no"));
    PrintChildTexts(about);
    if (wcscmp(how, L"escape") == 0)
    {
        HWND ok = GetDlgItem(about, IDOK);
        PostKeyPress(ok ? ok : about, VK_ESCAPE);
    }
    else
    {
        PostClick(about, IDOK);
    }
    return WaitClosed(about, L"About box", timeoutMs);
}

// Waits for a message box owned by the main window and prints it; given a button, presses it.
int MessageBoxCmd(HWND main, int button, DWORD timeoutMs)
{
    HWND box = WaitOwnedDialog(main, timeoutMs,
                               [](HWND dialog) { return WindowText(dialog) != kAboutCaption && !FileNameEdit(dialog); });
    if (!box)
    {
        PrintLine(L"no message box");
        return 1;
    }
    return AnswerBox(box, L"message box: [" + WindowText(box) + L"]", L"message box", button, timeoutMs);
}

HWND FindProgressBar(HWND main)
{
    HWND found = nullptr;
    dialogtest::ForEachWindow(main, [&](HWND hwnd) {
        if (dialogtest::ClassOf(hwnd).rfind(L"MVWnd:", 0) == 0)
            found = hwnd;
        return found == nullptr;
    });
    return found;
}

// "NAME x y width height" of a rectangle in screen coordinates; a window's client area when
// `window` is given.
std::wstring RectText(const wchar_t* name, RECT r, HWND window = nullptr)
{
    if (window)
    {
        GetClientRect(window, &r);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    }
    return std::wstring(name) + L" " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
           std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top);
}

// Screen rectangles (x y width height) of the window, its client area and the progress bar,
// and the X window behind it when Wine tells.
int Geometry(HWND main)
{
    RECT window{};
    GetWindowRect(main, &window);
    PrintLine(RectText(L"window", window));
    PrintLine(RectText(L"client", window, main));
    HWND bar = FindProgressBar(main);
    if (!bar)
    {
        PrintLine(L"no progress bar");
        return 1;
    }
    PrintLine(RectText(L"bar", window, bar));
    if (HANDLE xid = GetPropW(main, L"__wine_x11_whole_window"))
        PrintLine(L"xid " + Hex(xid));
    return 0;
}

// Acts out a shutdown as the system does: asks the main window whether the session may end,
// prints its answer, then tells it that the session ends, and prints once it has handled that
// (the window may take a moment to stop a copy). Fails unless both were answered.
int Shutdown(HWND main, DWORD timeoutMs)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, kQueryTimeoutMs, &answer))
        return 1;
    PrintLine(std::wstring(L"query end session: ") + (answer ? L"TRUE" : L"FALSE"));
    const DWORD start = GetTickCount();
    if (!SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, timeoutMs, &answer))
    {
        PrintLine(L"end session: not answered");
        return 1;
    }
    PrintLine(L"end session: answered after " + std::to_wstring(GetTickCount() - start) + L" ms");
    return 0;
}

// The main icon group as stored in an executable: one line per image size.
int Resources(const wchar_t* exePath)
{
    HMODULE module = LoadLibraryExW(exePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
    {
        PrintLine(L"cannot load " + std::wstring(exePath));
        return 1;
    }
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(IDI_MAIN), MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    const BYTE* data = group ? static_cast<const BYTE*>(LockResource(LoadResource(module, group))) : nullptr;
    if (!data)
    {
        PrintLine(L"no icon group " + std::to_wstring(IDI_MAIN));
        FreeLibrary(module);
        return 1;
    }
    // GRPICONDIR: reserved, type, count (WORDs), then 14-byte entries starting with width, height.
    WORD count = *reinterpret_cast<const WORD*>(data + 4);
    for (WORD i = 0; i < count; ++i)
    {
        const BYTE* entry = data + 6 + 14 * i;
        int width = entry[0] ? entry[0] : 256, height = entry[1] ? entry[1] : 256;
        PrintLine(L"icon " + std::to_wstring(width) + L"x" + std::to_wstring(height));
    }
    wchar_t about[64] = L"";
    LoadStringW(module, IDS_ABOUT, about, 64);
    PrintLine(L"string " + std::to_wstring(IDS_ABOUT) + L" [" + about + L"]");
    FreeLibrary(module);
    return 0;
}

int Usage()
{
    std::printf("usage: pelmora_driver COMMAND [ARGS] (timeouts in ms, default 10000)\n"
                "  wait-main [T] | main-count\n"
                "  drives | wait-entry TEXT [T] | wait-no-entry TEXT [T] | select INDEX\n"
                "  button | wait-button CAPTION enabled|disabled|any [T] | status\n"
                "  click | create PATH [T] | create-cancel [T] | open-save [T] | save-as PATH [T]\n"
                "  create-declined EXISTING_PATH [T]\n"
                "  taskbar-created | enter | escape | close | about ok|escape [T] | geometry\n"
                "  messagebox show|ok|yes|no|cancel|tryagain|continue [T]\n"
                "  shutdown [T] | resources EXE_PATH\n");
    return 2;
}

// The subcommand that works the main window, or an empty one for an unknown command or
// missing arguments.
std::function<int(HWND)> MainCommand(int argc, wchar_t** argv)
{
    const std::wstring command = argv[1];
    const wchar_t* arg = argc >= 3 ? argv[2] : nullptr;
    const DWORD timeout2 = TimeoutArg(argc, argv, 2), timeout3 = TimeoutArg(argc, argv, 3);
    if (command == L"drives")
        return Drives;
    if (command == L"wait-entry" && arg)
        return [=](HWND main) { return WaitEntry(main, arg, true, timeout3); };
    if (command == L"wait-no-entry" && arg)
        return [=](HWND main) { return WaitEntry(main, arg, false, timeout3); };
    if (command == L"select" && arg)
        return [=](HWND main) { return Select(main, _wtoi(arg)); };
    if (command == L"button")
        return [](HWND main) { PrintLine(Describe(ReadButton(main))); return 0; };
    if (command == L"wait-button" && argc >= 4)
        return [=](HWND main) { return WaitButton(main, arg, argv[3], TimeoutArg(argc, argv, 4)); };
    if (command == L"status")
        return [](HWND main) { PrintLine(L"status: [" + WindowText(GetDlgItem(main, IDC_STATUS)) + L"]"); return 0; };
    if (command == L"click")
        return Click;
    if (command == L"create" && arg)
        return [=](HWND main) { return Create(main, arg, timeout3); };
    if (command == L"create-declined" && arg)
        return [=](HWND main) { return CreateDeclined(main, arg, timeout3); };
    if (command == L"open-save")
        return [=](HWND main) { return OpenSaveDialog(main, timeout2) ? 0 : 1; };
    if (command == L"save-as" && arg)
        return [=](HWND main) { return SaveAs(main, arg, timeout3); };
    if (command == L"create-cancel")
        return [=](HWND main) { return Create(main, nullptr, timeout2); };
    if (command == L"enter" || command == L"escape")
        return [=](HWND main) { return Key(main, command == L"enter" ? VK_RETURN : VK_ESCAPE); };
    if (command == L"taskbar-created")
        return TaskbarCreated;
    if (command == L"close")
        return [](HWND main) { PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0); PrintLine(L"close requested"); return 0; };
    if (command == L"about" && arg)
        return [=](HWND main) { return About(main, arg, timeout3); };
    if (command == L"geometry")
        return Geometry;
    if (command == L"shutdown")
        return [=](HWND main) { return Shutdown(main, timeout2); };
    static const std::pair<const wchar_t*, int> buttons[] = {
        {L"show", 0}, {L"ok", IDOK}, {L"yes", IDYES}, {L"no", IDNO}, {L"cancel", IDCANCEL},
        {L"tryagain", IDTRYAGAIN}, {L"continue", IDCONTINUE}};
    for (const auto& button : buttons)
        if (command == L"messagebox" && arg && wcscmp(arg, button.first) == 0)
            return [=](HWND main) { return MessageBoxCmd(main, button.second, timeout3); };
    return nullptr;
}

int Run(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    if (command == L"wait-main")
        return WaitMain(TimeoutArg(argc, argv, 2));
    if (command == L"main-count")
        return MainCount();
    if (command == L"resources" && argc >= 3)
        return Resources(argv[2]);
    const std::function<int(HWND)> action = MainCommand(argc, argv);
    if (!action)
        return Usage();
    HWND main = FindMain();
    if (!main)
        PrintLine(L"no main window");
    return main ? action(main) : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // On stderr, so that a caller whose command hung can tell a driver that never started
    // from one that waited on the window.
    std::fprintf(stderr, "driver started: %ls\n", argc > 1 ? argv[1] : L"");
    std::fflush(stderr);
    int rc = Run(argc, argv);
    std::fprintf(stderr, "driver done: %ls, exit code %d\n", argc > 1 ? argv[1] : L"", rc);
    return rc;
}
