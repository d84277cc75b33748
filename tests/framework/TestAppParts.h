#pragma once
// A small document/view program on the framework, the way the manager uses it: application,
// document, frame with rebar, toolbar and status bar, and a list view. Each part records what
// reaches it, so tests can see the route a command took.

#include "Document.h"
#include "FrameWnd.h"
#include "ListView.h"
#include "ReBar.h"
#include "StatusBar.h"
#include "ToolBar.h"
#include "WinApp.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// What the parts did, in order, from whichever thread.
class CEventLog {
public:
    void Add(const std::string& event)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
    }
    std::vector<std::string> Events()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    bool Contains(const std::string& event)
    {
        std::vector<std::string> all = Events();
        return std::find(all.begin(), all.end(), event) != all.end();
    }
    void Clear() { std::lock_guard<std::mutex> lock(mutex_); events_.clear(); }

private:
    std::mutex mutex_;
    std::vector<std::string> events_;
};

// Switches the tests flip; they are read on the user-interface thread.
struct TestSwitches {
    std::atomic<bool> guardedEnabled{true};
    std::atomic<int> checkedState{0};
    std::atomic<bool> failViewCreation{false};
    std::atomic<bool> noWindow{false};
};

inline CEventLog& Events()
{
    static CEventLog log;
    return log;
}

inline TestSwitches& Switches()
{
    static TestSwitches switches;
    return switches;
}

class CTestDoc : public CDocument {
public:
    ~CTestDoc() override;
    bool OnNewDocument() override;
    bool HandleCommand(UINT id) override;
};

class CTestView : public CListView {
public:
    ~CTestView() override;
    void OnInitialUpdate() override;
    bool HandleCommand(UINT id) override;
    bool UpdateCommand(CCmdUI& ui) override;

    // Results of the dialog and the question the view runs on its commands.
    std::atomic<INT_PTR> dialogResult{0};
    std::atomic<int> boxResult{0};

protected:
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnColumnClick(int column) override;
    void OnContextMenu(HWND window, POINT screenPoint) override;
    void OnTimer(UINT_PTR id) override;
};

class CTestFrame : public CFrameWnd {
public:
    ~CTestFrame() override;
    bool HandleCommand(UINT id) override;
    bool UpdateCommand(CCmdUI& ui) override;

    CStatusBar statusBar;
    CToolBar toolBar;
    CReBar reBar;

protected:
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(CREATESTRUCTA* cs) override;
};

class CTestApp : public CWinApp {
public:
    bool InitInstance() override;
    bool HandleCommand(UINT id) override;
};
