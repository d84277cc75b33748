#include "RavelinManagerDoc.h"

bool CRavelinManagerDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return false;
    SetTitle("Ravelin");
    return true;
}
