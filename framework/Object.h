#pragma once
// The root of the framework's classes, and the factory functions that stand in for runtime
// class information when a document template creates its document, frame and view.

class CObject {
public:
    CObject() = default;
    virtual ~CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

// CreateObject<CMyView, CView> has the type CView* (*)() that a template wants.
template <class Derived, class Base>
Base* CreateObject()
{
    return new Derived;
}
