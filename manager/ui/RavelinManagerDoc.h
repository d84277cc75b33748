#pragma once
// The manager's one document. It holds no data of its own (the service table belongs to the
// list view) and is never modified, so closing it never asks to save.

#include "Document.h"

class CRavelinManagerDoc : public CDocument {
public:
    // The new document's title, "Ravelin", is the first half of the window title that the
    // single-instance check looks for.
    bool OnNewDocument() override;
};
