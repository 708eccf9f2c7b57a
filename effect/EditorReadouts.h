// What the effect tells its editor about itself, beside parameter values: the
// latency after a resume and the meters at rest while suspended. The product
// editor implements it next to its CPresetSystemEditor base.
#pragma once

class CEditorReadouts {
public:
    virtual void refreshLatencyReadouts() = 0;
    virtual void restMeters() = 0;

protected:
    ~CEditorReadouts() = default;
};
