#pragma once
#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "MVBlockLayout.h"
#include "MVRect.h"
#include "MVSize.h"
#include "MVWnd.h"

class MVProgressRange;

// A progress bar drawn as a grid of small blocks, filled in reading order. Any block may have
// a colour of its own; the others show emptyColor. Each block is a solid rectangle with a
// one-pixel line (frameWidth) along its right and bottom sides.
//
// The layout is computed when the block count or the window's size changes, from the client
// area of that moment. Where no grid fits (see MVBlockLayout)
// the bar shows its background only.
//
// Threads: the block colours, the count and the layout are guarded by one lock. A paint takes
// a snapshot of them under the lock and draws afterwards, so a worker's SetPosition never
// waits for drawing and a paint never sees a half-rebuilt set of colours. A repaint asked for
// on another thread is posted to the window's thread, which invalidates the window itself: the
// worker never waits for the window thread. The settings below are assigned by the window's
// thread before work starts.
class MVProgressBar : public MVWnd
{
public:
    int gap;             // pitch minus block size
    int margin;          // inset of the grid from every client edge
    MVSize blockAspect;  // proportion width : height of the pitch
    COLORREF backgroundColor; // -1: no fill
    COLORREF emptyColor;
    int frameWidth;      // 0: no right and bottom lines

    MVProgressBar();
    ~MVProgressBar() override;

    void SetBlockCount(unsigned count);
    unsigned GetBlockCount() const;
    void SetBlockColor(unsigned index, COLORREF color, BOOL redraw);
    COLORREF GetBlockColor(unsigned index) const;
    void ClearBlockColors(BOOL redraw);
    // Gives the first MVMulDiv(position, blockCount, span) blocks the colour and forgets all
    // other colours, as one step that no paint can see half done. Returns that count.
    int FillToPosition(int position, int span, COLORREF color);
    // How many blocks have a colour of their own: after FillToPosition, the filled ones. One
    // consistent answer while a worker moves the position.
    unsigned GetColoredBlockCount() const;
    void GetBlockRect(unsigned index, RECT& out) const;
    MVSize GetBlockSize() const;
    int GetColumns() const;
    int GetRows() const;

    // Lays the grid out in the current client area (nothing changes while the count is 0).
    void UpdateLayout();
    void UpdateLayout(const RECT& client);

    // The range object, made on the first call.
    MVProgressRange* GetProgress();

    void OnPaint(HDC dc, const PAINTSTRUCT& ps) override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Draws the whole control for the given client rectangle: background, then every block.
    void Paint(HDC dc, const RECT& client);
    virtual void DrawBackground(HDC dc, const RECT& client);
    virtual void DrawBlock(HDC dc, const RECT& rect, unsigned index, COLORREF color);

    // Repaints the whole window; safe from any thread, a no-op without a window. On another
    // thread than the window's it posts the request and returns at once.
    void Invalidate();

private:
    struct Snapshot
    {
        MVBlockLayout layout;
        std::vector<COLORREF> colors;
    };
    Snapshot TakeSnapshot() const;

    // Set while a posted repaint request waits in the window thread's queue, so that a
    // worker posts at most one at a time.
    std::atomic<bool> repaintPosted;
    mutable std::mutex lock;
    std::unique_ptr<MVProgressRange> progress;
    unsigned blockCount;
    MVSize blockSize;
    int columns;
    int rows;
    std::map<unsigned, COLORREF> blockColors;
};
