#include "MVWndRegistry.h"

#include "MVWnd.h"

MVWndRegistry& MVWndRegistry::Instance()
{
    // Made on first use, so it exists before any window whatever the order of static
    // initialisation, and outlives every object constructed after it.
    static MVWndRegistry registry;
    return registry;
}

MVWnd* MVWndRegistry::Resolve(HWND h)
{
    std::lock_guard<std::mutex> guard(lock);
    const auto bound = windowsByHandle.find(h);
    if (bound != windowsByHandle.end())
        return bound->second;
    const auto pending = windowsBeingCreated.find(GetCurrentThreadId());
    if (pending == windowsBeingCreated.end())
        return nullptr;
    MVWnd* wnd = pending->second;
    windowsByHandle.emplace(h, wnd);
    windowsBeingCreated.erase(pending);
    abandonedProcs.erase(h);
    wnd->hwnd = h;
    return wnd;
}

MVWnd* MVWndRegistry::Find(HWND h) const
{
    std::lock_guard<std::mutex> guard(lock);
    const auto bound = windowsByHandle.find(h);
    return bound == windowsByHandle.end() ? nullptr : bound->second;
}

void MVWndRegistry::Bind(HWND h, MVWnd* wnd)
{
    std::lock_guard<std::mutex> guard(lock);
    windowsByHandle.emplace(h, wnd);
    abandonedProcs.erase(h);
}

void MVWndRegistry::Unbind(HWND h, const MVWnd* wnd)
{
    std::lock_guard<std::mutex> guard(lock);
    const auto bound = windowsByHandle.find(h);
    if (bound != windowsByHandle.end() && bound->second == wnd)
        windowsByHandle.erase(bound);
}

void MVWndRegistry::BeginCreation(DWORD threadId, MVWnd* wnd)
{
    std::lock_guard<std::mutex> guard(lock);
    windowsBeingCreated.emplace(threadId, wnd);
}

void MVWndRegistry::EndCreation(DWORD threadId, const MVWnd* wnd)
{
    std::lock_guard<std::mutex> guard(lock);
    const auto pending = windowsBeingCreated.find(threadId);
    if (pending != windowsBeingCreated.end() && pending->second == wnd)
        windowsBeingCreated.erase(pending);
}

MVWnd* MVWndRegistry::PendingCreation(DWORD threadId) const
{
    std::lock_guard<std::mutex> guard(lock);
    const auto pending = windowsBeingCreated.find(threadId);
    return pending == windowsBeingCreated.end() ? nullptr : pending->second;
}

void MVWndRegistry::Forget(const MVWnd* wnd)
{
    std::lock_guard<std::mutex> guard(lock);
    for (auto i = windowsByHandle.begin(); i != windowsByHandle.end();)
        i = i->second == wnd ? windowsByHandle.erase(i) : std::next(i);
    for (auto i = windowsBeingCreated.begin(); i != windowsBeingCreated.end();)
        i = i->second == wnd ? windowsBeingCreated.erase(i) : std::next(i);
}

void MVWndRegistry::Abandon(HWND h, WNDPROC previous)
{
    std::lock_guard<std::mutex> guard(lock);
    abandonedProcs[h] = previous;
}

WNDPROC MVWndRegistry::AbandonedProc(HWND h) const
{
    std::lock_guard<std::mutex> guard(lock);
    const auto abandoned = abandonedProcs.find(h);
    return abandoned == abandonedProcs.end() ? nullptr : abandoned->second;
}

void MVWndRegistry::ForgetAbandoned(HWND h)
{
    std::lock_guard<std::mutex> guard(lock);
    abandonedProcs.erase(h);
}
