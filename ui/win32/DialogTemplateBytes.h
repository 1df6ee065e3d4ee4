#pragma once

#include "resources/DialogTemplates.h"

#include <windows.h>

#include <vector>

// The in-memory DLGTEMPLATEEX of a shared template, for DialogBoxIndirectParamW and
// CreateDialogIndirectParamW: the one form of the templates that Windows reads, so the data in
// DialogTemplates.cpp stays their only source. Every template comes out extended (the dialog manager
// reads both forms alike); texts in UTF-16, images as resource ordinals of the module that creates the
// dialog.
class CDialogTemplateBytes {
public:
    explicit CDialogTemplateBytes(const DialogTemplate& dialogTemplate);

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    // Words, so that the DWORD alignment of each control's record is counted in whole words from a start
    // that the allocator aligns for any type.
    std::vector<WORD> m_words;
};
