#include "CImageDlg.h"
#include "CAboutDlg.h"
#include "ImagePathPrompt.h"
#include "MVApp.h"
#include "MVExceptionReport.h"
#include "MVPaintDC.h"
#include "Win32TaskbarProgress.h"
#include "resource.h"

namespace
{
const wchar_t kCreateCaption[] = L"Create ISO";
const wchar_t kStopCaption[] = L"Stop";

HICON LoadAppIcon(int size)
{
    return static_cast<HICON>(
        LoadImageW(MVApp::ResourceInstance(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, size, size, LR_SHARED));
}
}

CImageDlg::Seams CImageDlg::Seams::System()
{
    Seams seams;
    seams.runner = std::make_unique<CopyRunner>();
    seams.drives = DriveQueries::System();
    seams.askImagePath = [](HWND owner, const std::wstring& driveEntry, std::wstring& imagePath) {
        return ImagePathPrompt(owner).Ask(driveEntry, imagePath);
    };
    seams.taskbar = Win32TaskbarProgress::Create;
    seams.inForeground = Win32TaskbarProgress::IsInForeground;
    seams.flash = Win32TaskbarProgress::Flash;
    seams.shutdownBlock = ShutdownBlock::Calls::System();
    return seams;
}

CImageDlg::CImageDlg(HWND parent, Seams seams)
    : MVDialog(IDD_MAIN, parent), m_seams(std::move(seams)), m_boxes(m_seams.runner->Progress(), WM_PELMORA_COPY_ENDED),
      m_drives(m_seams.drives), m_shutdown(m_seams.shutdownBlock), m_hIcon(LoadAppIcon(GetSystemMetrics(SM_CXICON))),
      m_hSmallIcon(LoadAppIcon(GetSystemMetrics(SM_CXSMICON))),
      m_nTaskbarButtonCreated(RegisterWindowMessageW(L"TaskbarButtonCreated"))
{
}

CImageDlg::~CImageDlg()
{
    // Normally the close command has waited already; this covers a dialog ended any other way,
    // so that the copy never outlives the boxes it asks through.
    Runner().StopAndWait();
}

void CImageDlg::DoDataExchange()
{
    BindControl(IDC_DRIVES, m_drives.List());
}

BOOL CImageDlg::OnInitDialog()
{
    MVDialog::OnInitDialog();
    AddAboutItem();
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon ? m_hSmallIcon : m_hIcon));
    m_boxes.SetOwner(hwnd);
    // The list fills when the first scan is done.
    m_drives.Start(hwnd, WM_PELMORA_DRIVE_LIST);
    OnDriveChanged();
    SetTimer(hwnd, REFRESH_TIMER, kRefreshPeriodMs, nullptr);
    m_view.Create(Item(IDC_PROGRESS), Item(IDC_STATUS));
    // Run elevated, the window would not hear the shell's message otherwise.
    if (m_nTaskbarButtonCreated)
        ChangeWindowMessageFilterEx(hwnd, m_nTaskbarButtonCreated, MSGFLT_ALLOW, nullptr);
    if (m_unattended)
    {
        m_unattended->SetOwner(hwnd, WM_PELMORA_COPY_ENDED);
        StartCopy(m_unattendedEntry, m_unattendedImage);
        // No thread, no copy: nothing is left to wait for.
        if (!IsCopying())
            Close();
    }
    return TRUE;
}

void CImageDlg::CopyUnattended(UnattendedAnswers& answers, const std::wstring& driveEntry,
                               const std::wstring& imagePath)
{
    m_unattended = &answers;
    m_unattendedEntry = driveEntry;
    m_unattendedImage = imagePath;
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
    {
        if (m_unattended && m_unattended->Waiting())
            SetItemText(IDC_STATUS, (L"Waiting for a disc in " + m_unattendedEntry.substr(0, 2)).c_str());
        m_view.Show(Runner().Progress().Read());
    }
    else if (id == REFRESH_TIMER)
        m_drives.Refresh();
}

BOOL CImageDlg::OnOtherMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message == WM_QUERYENDSESSION && IsCopying())
    {
        result = OnQueryEndSession();
        return TRUE;
    }
    if (message == WM_ENDSESSION && wParam && IsCopying())
    {
        OnEndSession();
        return TRUE;
    }
    if (message == m_nTaskbarButtonCreated && m_nTaskbarButtonCreated)
    {
        m_view.AttachTaskbar(m_seams.taskbar(hwnd));
        return TRUE;
    }
    if (message == WM_PELMORA_COPY_ENDED)
    {
        OnCopyEnded(static_cast<CopyOutcome>(wParam));
        return TRUE;
    }
    if (message == WM_DESTROY)
    {
        // A copy that outlives the window (ended otherwise than by the close command) must not
        // reach a handle that may be reused.
        m_boxes.SetOwner(nullptr);
        if (m_unattended)
            m_unattended->SetOwner(nullptr, 0);
        return FALSE;
    }
    if (message == WM_PELMORA_DRIVE_LIST)
    {
        if (m_drives.ShowScanned())
            OnDriveChanged();
        return TRUE;
    }
    return FALSE;
}

void CImageDlg::OnDriveChanged()
{
    EnableItem(IDC_CREATE, IsCopying() || m_drives.SelectionReadable());
}

void CImageDlg::OnCreateIso()
{
    if (IsCopying())
    {
        Runner().Stop();
        return;
    }
    if (m_bClosing || m_bSessionEnding)
        return;
    UpdateData();
    // The drive is taken now: the list is rebuilt every second, also while the file dialog is
    // open, and the same position may then hold another drive.
    const std::wstring chosen = m_drives.Selected();
    const wchar_t letter = DriveLetterOf(chosen);
    if (!letter)
        return;
    std::wstring imagePath;
    // A close request that arrived while the file dialog was open wins over the new copy.
    if (!m_seams.askImagePath(hwnd, chosen, imagePath) || m_bClosing || m_bSessionEnding)
        return;
    // As the last scan saw it: a volume query here could block this thread.
    const std::wstring driveEntry = m_drives.EntryOf(letter);
    if (!IsReadableEntry(driveEntry))
    {
        const std::wstring text = std::wstring(L"Drive ") + letter + L": is no longer ready: no image was made.";
        ShowMessage(text.c_str(), MB_ICONEXCLAMATION);
        return;
    }
    StartCopy(driveEntry, imagePath);
}

void CImageDlg::StartCopy(const std::wstring& driveEntry, const std::wstring& imagePath)
{
    // From now on the scans leave the drive alone and keep its entry as it is.
    m_drives.SetBusy(driveEntry);
    try
    {
        Runner().Start(m_unattended ? static_cast<CopyFrontEnd&>(*m_unattended) : m_boxes, driveEntry, imagePath);
    }
    catch (...)
    {
        // No thread, no copy: the dialog stays idle, and says why.
        m_drives.SetBusy(L"");
        if (m_unattended)
            m_unattended->ShowCopyError(CurrentExceptionText(L"Unknown exception").c_str());
        else
            ShowCurrentException(hwnd);
        return;
    }
    m_copyEntry = driveEntry;
    m_copyImage = imagePath;
    SetItemText(IDC_CREATE, kStopCaption);
    m_view.CopyStarted();
    SetTimer(hwnd, PROGRESS_TIMER, kProgressPeriodMs, nullptr);
}

void CImageDlg::Close()
{
    if (m_bClosing)
        return;
    m_bClosing = true;
    Runner().StopAndWait();
    PostQuitMessage(0);
}

void CImageDlg::OnCopyEnded(CopyOutcome outcome)
{
    KillTimer(hwnd, PROGRESS_TIMER);
    const bool flash = m_view.ShowEnd(Runner().Progress().Read(), outcome, m_seams.inForeground(hwnd));
    SetItemText(IDC_CREATE, kCreateCaption);
    m_copyEntry.clear();
    m_shutdown.Release(hwnd);
    m_drives.SetBusy(L"");
    if (flash)
        m_seams.flash(hwnd);
    OnDriveChanged();
    if (m_unattended)
        Close();
}

LRESULT CImageDlg::OnQueryEndSession()
{
    m_shutdown.Hold(hwnd, ShutdownBlock::Reason(m_copyEntry, m_copyImage, Runner().Progress().Read().progress));
    return FALSE;
}

void CImageDlg::OnEndSession()
{
    // No new copy in what is left of the session. The copy stops after its current chunk; its
    // end, dispatched meanwhile, gives the window back. A drive stuck in a read gets only so long.
    m_bSessionEnding = true;
    Runner().StopAndWait(kEndSessionWaitMs);
}
