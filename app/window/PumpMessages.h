#pragma once

// Dispatches every message waiting for the calling thread. Returns 1 when the queue is empty,
// 0 when a quit message was met; that message is posted again (exit code 0) so that the
// enclosing message loop still sees it.
int PumpMessages();
