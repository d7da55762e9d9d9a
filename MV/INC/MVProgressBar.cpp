#include "MVProgressBar.h"

#include <algorithm>

#include "MVGdiObject.h"
#include "MVGradientRect.h"
#include "MVMulDiv.h"
#include "MVProgressRange.h"

namespace
{
// The private message by which another thread hands a repaint to the window's thread.
UINT RepaintMessage()
{
    static const UINT message = RegisterWindowMessageW(L"MVProgressBar.Repaint");
    return message;
}
}

MVProgressBar::MVProgressBar()
    : gap(2), margin(10), blockAspect(10, 10), backgroundColor(GetSysColor(COLOR_WINDOW)),
      emptyColor(GetSysColor(COLOR_BTNSHADOW)), frameWidth(1), repaintPosted(false), blockCount(0), blockSize(blockAspect), columns(0),
      rows(0)
{
}

// Defined here, where MVProgressRange is complete, for the unique_ptr that owns it.
MVProgressBar::~MVProgressBar() = default;

void MVProgressBar::SetBlockCount(unsigned count)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        if (count == blockCount)
            return;
        if (count < blockCount)
            blockColors.erase(blockColors.lower_bound(count), blockColors.end());
        blockCount = count;
    }
    UpdateLayout();
    Invalidate();
}

unsigned MVProgressBar::GetBlockCount() const
{
    std::lock_guard<std::mutex> guard(lock);
    return blockCount;
}

void MVProgressBar::SetBlockColor(unsigned index, COLORREF color, BOOL redraw)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        blockColors[index] = color;
    }
    if (redraw)
        Invalidate();
}

COLORREF MVProgressBar::GetBlockColor(unsigned index) const
{
    std::lock_guard<std::mutex> guard(lock);
    const auto entry = blockColors.find(index);
    return entry == blockColors.end() ? emptyColor : entry->second;
}

void MVProgressBar::ClearBlockColors(BOOL redraw)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        blockColors.clear();
    }
    if (redraw)
        Invalidate();
}

int MVProgressBar::FillToPosition(int position, int span, COLORREF color)
{
    std::lock_guard<std::mutex> guard(lock);
    const int filled = MVMulDiv(position, static_cast<int>(blockCount), span);
    blockColors.clear();
    // Colours past the last block would never be drawn; a position far beyond the range must
    // not make millions of them.
    const unsigned stored = filled <= 0 ? 0u : std::min(static_cast<unsigned>(filled), blockCount);
    for (unsigned i = 0; i < stored; ++i)
        blockColors.emplace_hint(blockColors.end(), i, color);
    return filled;
}

unsigned MVProgressBar::GetColoredBlockCount() const
{
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<unsigned>(blockColors.size());
}

void MVProgressBar::GetBlockRect(unsigned index, RECT& out) const
{
    MVBlockLayout layout;
    {
        std::lock_guard<std::mutex> guard(lock);
        layout.blockSize = blockSize;
        layout.columns = columns;
        layout.rows = rows;
    }
    out = layout.BlockRect(index, gap, margin);
}

MVSize MVProgressBar::GetBlockSize() const
{
    std::lock_guard<std::mutex> guard(lock);
    return blockSize;
}

int MVProgressBar::GetColumns() const
{
    std::lock_guard<std::mutex> guard(lock);
    return columns;
}

int MVProgressBar::GetRows() const
{
    std::lock_guard<std::mutex> guard(lock);
    return rows;
}

void MVProgressBar::UpdateLayout()
{
    RECT client = {0, 0, 0, 0};
    if (hwnd)
        GetClientRect(hwnd, &client);
    UpdateLayout(client);
}

void MVProgressBar::UpdateLayout(const RECT& client)
{
    MVRect area(client);
    area.Deflate(margin);
    std::lock_guard<std::mutex> guard(lock);
    if (blockCount == 0)
        return;
    const MVBlockLayout layout =
        MVBlockLayout::Search(MVSize(area.Width(), area.Height()), blockCount, blockAspect, gap);
    blockSize = layout.blockSize;
    columns = layout.columns;
    rows = layout.rows;
}

MVProgressRange* MVProgressBar::GetProgress()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        if (progress)
            return progress.get();
    }
    // Made outside the lock: its constructor clears the colours, which takes the lock.
    std::unique_ptr<MVProgressRange> made(new MVProgressRange(this));
    std::lock_guard<std::mutex> guard(lock);
    if (!progress)
        progress = std::move(made);
    return progress.get();
}

void MVProgressBar::OnPaint(HDC dc, const PAINTSTRUCT&)
{
    RECT client = {};
    GetClientRect(hwnd, &client);
    Paint(dc, client);
}

MVProgressBar::Snapshot MVProgressBar::TakeSnapshot() const
{
    Snapshot snapshot;
    std::lock_guard<std::mutex> guard(lock);
    snapshot.layout.blockSize = blockSize;
    snapshot.layout.columns = columns;
    snapshot.layout.rows = rows;
    if (!snapshot.layout.HasGrid())
        return snapshot;
    snapshot.colors.assign(blockCount, emptyColor);
    for (auto entry = blockColors.begin(); entry != blockColors.end() && entry->first < blockCount; ++entry)
        snapshot.colors[entry->first] = entry->second;
    return snapshot;
}

void MVProgressBar::Paint(HDC dc, const RECT& client)
{
    DrawBackground(dc, client);
    const Snapshot snapshot = TakeSnapshot();
    for (unsigned i = 0; i < snapshot.colors.size(); ++i)
    {
        const RECT rect = snapshot.layout.BlockRect(i, gap, margin);
        DrawBlock(dc, rect, i, snapshot.colors[i]);
    }
}

void MVProgressBar::DrawBackground(HDC dc, const RECT& client)
{
    if (backgroundColor == MVShape::None)
        return;
    MVGdiObject brush(CreateSolidBrush(backgroundColor));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.Get()));
}

void MVProgressBar::DrawBlock(HDC dc, const RECT& rect, unsigned, COLORREF color)
{
    MVGradientRect block(rect);
    block.penWidth = frameWidth;
    block.SetColor(color);
    block.Draw(dc);
}

LRESULT MVProgressBar::OnMessage(UINT message, WPARAM, LPARAM)
{
    // A new size, such as the system gives a dialog's children on a monitor of another scale:
    // the grid is laid out for the area the bar now has.
    if (message == WM_SIZE)
    {
        UpdateLayout();
        Invalidate();
        return 0;
    }
    if (message != RepaintMessage())
        return 0;
    // Cleared before invalidating: a colour change made after this point posts anew.
    repaintPosted = false;
    InvalidateRect(hwnd, nullptr, TRUE);
    return 1;
}

void MVProgressBar::Invalidate()
{
    // InvalidateRect with no window would invalidate every window on the desktop.
    const HWND window = hwnd;
    if (!window)
        return;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
    {
        InvalidateRect(window, nullptr, TRUE);
        return;
    }
    if (!repaintPosted.exchange(true) && !PostMessageW(window, RepaintMessage(), 0, 0))
        repaintPosted = false;
}
