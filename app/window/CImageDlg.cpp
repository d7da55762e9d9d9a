#include "CImageDlg.h"
#include <cderr.h>
#include <algorithm>
#include <climits>
#include "BrowseForFile.h"
#include "CAboutDlg.h"
#include "CopyJob.h"
#include "DriveList.h"
#include "DriveScanner.h"
#include "ExtendedLengthPath.h"
#include "ImageFileName.h"
#include "MVApp.h"
#include "MVExceptionReport.h"
#include "MVPaintDC.h"
#include "MVProgressRange.h"
#include "MVString.h"
#include "MVSystemError.h"
#include "ResumeCheck.h"
#include "TimeSpan.h"
#include "TransferRate.h"
#include "Win32TaskbarProgress.h"
#include "resource.h"

namespace
{
const wchar_t kCreateCaption[] = L"Create ISO";
const wchar_t kStopCaption[] = L"Stop";
const wchar_t kUnusablePath[] = L"The image cannot be written to this path: it is too long or not a file path.";

std::wstring SaveDialogFailureText(DWORD error)
{
    if (error == FNERR_BUFFERTOOSMALL)
        return kUnusablePath;
    if (error == FNERR_INVALIDFILENAME)
        return L"The image path is not a valid file name.";
    return L"The save dialog failed (error " + std::to_wstring(error) + L").";
}

// During the return passes over the sectors a scratched disc did not give: which pass runs and
// how many sectors are still missing; empty otherwise.
std::wstring RescuePassText(const CopyProgress& progress)
{
    std::wstring text;
    if (progress.phase == CopyProgress::Phase::Trimming)
        text = L" \x00B7 Trimming";
    else if (progress.phase == CopyProgress::Phase::Scraping)
        text = L" \x00B7 Scraping";
    else if (progress.phase == CopyProgress::Phase::Retrying)
        text = L" \x00B7 Retrying (pass " + std::to_wstring(progress.pass) + L")";
    else
        return text;
    return text + L" \x00B7 " + std::to_wstring(progress.sectorsLeft) + L" sectors missing";
}

HICON LoadAppIcon(int size)
{
    return static_cast<HICON>(LoadImageW(MVApp::ResourceInstance(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                         size, size, LR_SHARED));
}
}

CImageDlg::CImageDlg(HWND parent, std::unique_ptr<CopyRunner> runner)
    : MVDialog(IDD_MAIN, parent), m_runner(std::move(runner)), m_hIcon(LoadAppIcon(GetSystemMetrics(SM_CXICON))),
      m_hSmallIcon(LoadAppIcon(GetSystemMetrics(SM_CXSMICON))),
      m_nTaskbarButtonCreated(RegisterWindowMessageW(L"TaskbarButtonCreated"))
{
}

CImageDlg::~CImageDlg()
{
    // Normally the close command has waited already; this covers a dialog ended any other way,
    // so that the job never outlives the object it reports to.
    m_runner->StopAndWait();
}

void CImageDlg::DoDataExchange()
{
    BindControl(IDC_DRIVES, m_cbDrives);
}

BOOL CImageDlg::OnInitDialog()
{
    MVDialog::OnInitDialog();
    AddAboutItem();
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon ? m_hSmallIcon : m_hIcon));
    // The list fills when the first scan is done, which then selects the first drive.
    m_scanner.reset(new DriveScanner(DriveListQueries()));
    RefreshDriveList();
    OnDriveChanged();
    SetTimer(hwnd, REFRESH_TIMER, kRefreshPeriodMs, nullptr);
    CreateProgressBar();
    // Run elevated, the window would not hear the shell's message otherwise.
    if (m_nTaskbarButtonCreated)
        ChangeWindowMessageFilterEx(hwnd, m_nTaskbarButtonCreated, MSGFLT_ALLOW, nullptr);
    return TRUE;
}

void CImageDlg::AddAboutItem()
{
    HMENU menu = SystemMenu();
    if (!menu)
        return;
    const std::wstring text = MVApp::LoadText(IDS_ABOUT);
    if (text.empty())
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, text.c_str());
}

void CImageDlg::CreateProgressBar()
{
    // Without a bar window the placeholder stays; the copy still works, its display does not.
    if (!m_wndProgress.CreateOverControl(Item(IDC_PROGRESS), 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr, nullptr,
                                         nullptr))
        return;
    m_wndProgress.backgroundColor = GetSysColor(COLOR_BTNFACE);
    m_wndProgress.SetBlockCount(kProgressBlocks);
    m_wndProgress.GetProgress()->filledColor = RGB(255, 0, 0);
    m_wndProgress.doubleBuffered = TRUE;
}

BOOL CImageDlg::OnCommand(int id, int code)
{
    if (id == IDC_CREATE && code == BN_CLICKED)
    {
        OnCreateIso();
        return TRUE;
    }
    if (id == IDC_DRIVES && code == CBN_SELCHANGE)
    {
        OnDriveChanged();
        return TRUE;
    }
    return FALSE;
}

void CImageDlg::OnOK()
{
}

void CImageDlg::OnCancel()
{
}

BOOL CImageDlg::OnSysCommand(UINT id, LPARAM)
{
    // The system uses the low four bits of the command itself: only the rest names it.
    if ((id & 0xFFF0) == SC_CLOSE)
    {
        Close();
        return TRUE;
    }
    if ((id & 0xFFF0) == IDM_ABOUT)
    {
        CAboutDlg about(hwnd);
        about.DoModal();
        return TRUE;
    }
    return FALSE;
}

BOOL CImageDlg::OnPaint()
{
    if (!IsIconic(hwnd))
        return FALSE;
    MVPaintDC dc(hwnd);
    SendMessageW(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetHdc()), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(hwnd, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc.GetHdc(), x, y, m_hIcon);
    return TRUE;
}

HICON CImageDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

void CImageDlg::OnTimer(UINT_PTR id)
{
    if (id == PROGRESS_TIMER)
        ShowProgress();
    else if (id == REFRESH_TIMER)
        RefreshDriveList();
}

BOOL CImageDlg::OnOtherMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&)
{
    if (message == m_nTaskbarButtonCreated && m_nTaskbarButtonCreated)
    {
        m_taskbar.Attach(CreateTaskbarProgress());
        return TRUE;
    }
    if (message == WM_PELMORA_COPY_ENDED)
    {
        OnCopyEnded(static_cast<CopyOutcome>(wParam));
        return TRUE;
    }
    if (message == WM_PELMORA_DRIVE_LIST)
    {
        ShowScannedDrives();
        return TRUE;
    }
    return FALSE;
}

void CImageDlg::ShowScannedDrives()
{
    std::vector<std::wstring> entries;
    if (!m_scanner || !m_scanner->TakeResult(entries))
        return;
    m_cbDrives.SetRedraw(false);
    ApplyDriveList(entries);
    m_cbDrives.SetRedraw(true);
    m_cbDrives.Invalidate(false);
}

std::unique_ptr<TaskbarProgress> CImageDlg::CreateTaskbarProgress()
{
    return Win32TaskbarProgress::Create(hwnd);
}

bool CImageDlg::IsInForeground() const
{
    HWND foreground = GetForegroundWindow();
    return foreground && GetAncestor(foreground, GA_ROOTOWNER) == hwnd;
}

void CImageDlg::FlashTaskbarButton()
{
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = hwnd;
    flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
}

void CImageDlg::OnCopyEnded(CopyOutcome outcome)
{
    // The time line keeps the copy's last second.
    ShowProgress(true);
    KillTimer(hwnd, PROGRESS_TIMER);
    // A tick still queued shows nothing; the runner starts the next copy from nothing.
    m_runner->Progress().Clear();
    m_rate.Clear();
    m_bSampled = false;
    m_wndProgress.GetProgress()->SetPosition(0);
    SetItemText(IDC_CREATE, kCreateCaption);
    m_copyEntry.clear();
    if (m_taskbar.CopyEnded(outcome, IsInForeground()))
        FlashTaskbarButton();
    OnDriveChanged();
}

void CImageDlg::RefreshDriveList()
{
    if (m_scanner)
        m_scanner->Request(hwnd, WM_PELMORA_DRIVE_LIST, m_copyEntry);
}

DriveQueries CImageDlg::DriveListQueries()
{
    return DriveQueries::System();
}

void CImageDlg::ApplyDriveList(const std::vector<std::wstring>& entries)
{
    // An unchanged list is left alone: rebuilding it every second would also reset the hot
    // entry of a drop-down list the user has open. The selection would come out the same.
    if (!SameEntries(entries, ListedEntries()))
    {
        const std::wstring selected = m_cbDrives.GetSelectedText();
        // The first list offers its first drive.
        const int previousIndex = m_bListShown ? m_cbDrives.GetCurSel() : 0;
        m_cbDrives.ResetContent();
        for (const std::wstring& entry : entries)
            m_cbDrives.AddString(entry.c_str());
        // Chosen among the entries in the order the sorted list shows them, which follows the
        // user's locale.
        m_cbDrives.SetCurSel(ChooseDriveSelection(ListedEntries(), DriveLetterOf(selected), previousIndex));
    }
    m_bListShown = true;
    OnDriveChanged();
}

std::vector<std::wstring> CImageDlg::ListedEntries() const
{
    std::vector<std::wstring> listed;
    const int count = m_cbDrives.GetCount();
    for (int i = 0; i < count; ++i)
        listed.push_back(m_cbDrives.GetLBText(i));
    return listed;
}

void CImageDlg::OnDriveChanged()
{
    // The readiness comes from the last scan: a volume query here could block this thread.
    EnableItem(IDC_CREATE, IsCopying() || IsReadableEntry(m_cbDrives.GetSelectedText()));
}

void CImageDlg::OnCreateIso()
{
    if (IsCopying())
    {
        m_runner->Stop();
        return;
    }
    if (m_bClosing)
        return;
    UpdateData();
    // The drive is taken now: the list is rebuilt every second, also while the file dialog is
    // open, and the same position may then hold another drive.
    const std::wstring chosen = m_cbDrives.GetSelectedText();
    const wchar_t letter = DriveLetterOf(chosen);
    if (!letter)
        return;
    std::wstring imagePath;
    // A close request that arrived while the file dialog was open wins over the new copy.
    if (!AskImagePath(chosen, imagePath) || m_bClosing)
        return;
    // As the last scan saw it: a volume query here could block this thread.
    const std::wstring driveEntry = ListedEntryOf(letter);
    if (!IsReadableEntry(driveEntry))
    {
        const std::wstring text = std::wstring(L"Drive ") + letter + L": is no longer ready: no image was made.";
        ShowMessage(text.c_str(), MB_ICONEXCLAMATION);
        return;
    }
    StartCopy(driveEntry, imagePath);
}

std::wstring CImageDlg::ListedEntryOf(wchar_t letter) const
{
    const std::vector<std::wstring> listed = ListedEntries();
    const auto found = std::find_if(listed.begin(), listed.end(),
                                    [letter](const std::wstring& entry) { return DriveLetterOf(entry) == letter; });
    return found == listed.end() ? std::wstring() : *found;
}

bool CImageDlg::AskImagePath(const std::wstring& driveEntry, std::wstring& imagePath)
{
    // Room for the longest path the system takes: the dialog fails on a name its buffer
    // cannot hold.
    std::vector<wchar_t> path(kLongestPath, L'\0');
    // The name proposed is the disc's label; the user may type any other.
    ImageFileNameForEntry(driveEntry).copy(path.data(), path.size() - 1);
    // Without OFN_NOCHANGEDIR the dialog makes the image's folder our current directory, and a
    // USB stick holding it could not be ejected while Pelmora runs.
    // The default extension is given without period or wildcard: "backup" becomes "backup.iso".
    if (!BrowseForFile(path.data(), static_cast<DWORD>(path.size()), nullptr, TRUE, hwnd,
                       OFN_HIDEREADONLY | OFN_NOCHANGEDIR,
                       L"ISO files (*.iso)\0*.iso\0All files (*.*)\0*.*\0", L"iso", nullptr))
    {
        // Zero after a cancel; otherwise the dialog itself failed, and the user must know why
        // nothing happens.
        if (const DWORD error = CommDlgExtendedError())
            ShowMessage(SaveDialogFailureText(error).c_str(), MB_ICONEXCLAMATION);
        return false;
    }
    imagePath = ExtendedLengthPath(path.data());
    if (imagePath.empty())
    {
        ShowMessage(kUnusablePath, MB_ICONEXCLAMATION);
        return false;
    }
    return ConfirmReplace(imagePath);
}

// The save dialog does not ask before replacing: an image with a map beside it may be finished
// rather than replaced, and the copy asks about that once it has seen the disc. Any other
// existing file is asked about here, as the dialog would.
bool CImageDlg::ConfirmReplace(const std::wstring& imagePath)
{
    const DWORD attributes = GetFileAttributesW(imagePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    if (GetFileAttributesW(ResumeCheck::MapPath(imagePath).c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    const std::wstring question = ResumeCheck::FileName(imagePath) + L" already exists.\nDo you want to replace it?";
    return ShowMessage(question.c_str(), MB_ICONEXCLAMATION | MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

void CImageDlg::StartCopy(const std::wstring& driveEntry, const std::wstring& imagePath)
{
    try
    {
        m_runner->Start(*this, driveEntry, imagePath);
    }
    catch (...)
    {
        // No thread, no copy: the dialog stays idle, and says why.
        ShowCurrentException(hwnd);
        return;
    }
    // From now on the scans leave the drive alone and keep its entry as it is.
    m_copyEntry = driveEntry;
    if (m_scanner)
        m_scanner->SetBusyEntry(driveEntry);
    SetItemText(IDC_CREATE, kStopCaption);
    m_taskbar.CopyStarted();
    SetTimer(hwnd, PROGRESS_TIMER, kProgressPeriodMs, nullptr);
}

void CImageDlg::Close()
{
    if (m_bClosing)
        return;
    m_bClosing = true;
    m_runner->StopAndWait();
    PostQuitMessage(0);
}

void CImageDlg::ShowProgress(bool ended)
{
    const CopyProgressRecord::Snapshot report = m_runner->Progress().Read();
    if (report.errorShown)
        m_taskbar.ErrorShown();
    else
        m_taskbar.ErrorGone();
    const CopyProgress& progress = report.progress;
    if (progress.phase == CopyProgress::Phase::Starting)
        return;
    ShowBar(progress.sectorsDone, progress.totalSectors);
    m_taskbar.ShowFraction(progress.sectorsDone, progress.totalSectors);
    ShowStatus(progress, ended);
}

void CImageDlg::ShowBar(DWORD sectorsDone, DWORD totalSectors)
{
    MVProgressRange* bar = m_wndProgress.GetProgress();
    const int maximum = static_cast<int>(std::min<DWORD>(totalSectors, INT_MAX));
    const int position = static_cast<int>(std::min<DWORD>(sectorsDone, INT_MAX));
    // A drive that is stuck costs no repaints.
    if (bar->maximum == maximum && bar->position == position)
        return;
    bar->SetRange(0, maximum);
    bar->SetPosition(position);
}

void CImageDlg::ShowStatus(const CopyProgress& progress, bool ended)
{
    // A new report adds a sample; a tick without one does not, or a held drive would average
    // its last chunk over ever more samples of the same instant.
    const bool sized = progress.sectorsDone >= CopyJob::kHeaderSectors;
    // The return passes count sectors of their own pass: no speed is taken from them.
    const bool copying = progress.phase == CopyProgress::Phase::Copying;
    if (sized && copying && (!m_bSampled || progress.elapsedMs != m_nLastSampleMs))
    {
        m_rate.Add(progress.elapsedMs, ULONGLONG(progress.sectorsDone) * CopyJob::kSectorBytes);
        m_nLastSampleMs = progress.elapsedMs;
        m_bSampled = true;
    }
    MVString text;
    if (ended || !sized || !copying)
        FormatElapsedTime(text, progress.elapsedMs);
    else
        FormatCopyStatus(text, progress.elapsedMs, m_rate, ULONGLONG(progress.sectorsDone) * CopyJob::kSectorBytes,
                         ULONGLONG(progress.totalSectors) * CopyJob::kSectorBytes);
    std::wstring line = text.GetBuffer();
    if (!ended)
        line += RescuePassText(progress);
    // Only a changed line is repainted: most ticks change nothing in it.
    if (m_shownStatus == line)
        return;
    m_shownStatus = line;
    SetItemText(IDC_STATUS, line.c_str());
    if (HWND status = Item(IDC_STATUS))
        InvalidateRect(status, nullptr, TRUE);
}

void CImageDlg::ReportLastError()
{
    // First, while the last error is still the failed read's or write's.
    const MVString text = SystemErrorText();
    m_runner->Progress().NoteErrorShown(true);
    ShowMessage(text.GetBuffer(), MB_ICONEXCLAMATION);
}

void CImageDlg::ReportReadError(const wchar_t* detail)
{
    const MVString text = SystemErrorText();
    const std::wstring message = std::wstring(text.GetBuffer()) + L"\n\n" + detail;
    m_runner->Progress().NoteErrorShown(true);
    ShowMessage(message.c_str(), MB_ICONEXCLAMATION);
}

void CImageDlg::ShowCopyError(const wchar_t* text)
{
    m_runner->Progress().NoteErrorShown(true);
    ShowMessage(text, MB_ICONEXCLAMATION);
}

bool CImageDlg::AskToContinue(const wchar_t* question)
{
    return ShowMessage(question, MB_ICONQUESTION | MB_YESNO) == IDYES;
}

ReadErrorChoice CImageDlg::AskReadErrorChoice(const wchar_t* detail)
{
    const MVString text = SystemErrorText();
    const std::wstring message = std::wstring(text.GetBuffer()) + L"\n\n" + detail
        + L"\n\nCancel stops and deletes the image. Try Again reads the sector again. Continue skips unreadable "
          L"sectors and saves everything else; the missing sectors are listed beside the image, to be read later.";
    m_runner->Progress().NoteErrorShown(true);
    const int button = ShowMessage(message.c_str(), MB_ICONEXCLAMATION | MB_CANCELTRYCONTINUE | MB_DEFBUTTON1);
    if (button != IDTRYAGAIN && button != IDCONTINUE)
        return ReadErrorChoice::Stop;
    // The copy goes on: the taskbar button shows its progress again.
    m_runner->Progress().NoteErrorShown(false);
    return button == IDTRYAGAIN ? ReadErrorChoice::TryAgain : ReadErrorChoice::SkipAndGoOn;
}

bool CImageDlg::AskToReplace(const wchar_t* question)
{
    return ShowMessage(question, MB_ICONEXCLAMATION | MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

QuestionAnswer CImageDlg::AskYesNoCancel(const wchar_t* question)
{
    const int button = ShowMessage(question, MB_ICONQUESTION | MB_YESNOCANCEL);
    return button == IDYES ? QuestionAnswer::Yes : button == IDNO ? QuestionAnswer::No : QuestionAnswer::Cancel;
}

void CImageDlg::CopyEnded(CopyOutcome outcome)
{
    PostMessageW(hwnd, WM_PELMORA_COPY_ENDED, static_cast<WPARAM>(outcome), 0);
}
