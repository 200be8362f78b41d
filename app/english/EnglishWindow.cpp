#include "app/english/EnglishWindow.h"

#include "app/core/ParameterTable.h"

namespace english {

namespace {

template <class T>
void Remove(T*& control) {
    delete control;
    control = nullptr;
}

// The parameter groups of the PID terms, which this window has not, and what they hold as
// the parameter table names it: labels, edits, buttons, the group last.
void RemovePidGroups(TForm1& f) {
    for (const auto& group : core::ParameterTable<TForm1>()) {
        if (!group.PidTerms)
            continue;
        for (std::size_t v = 0; v < group.Count; ++v)
            if (group.Values[v].Label.Name)
                Remove(f.*group.Values[v].Label.Field);
        if (group.OtherLabel.Name)
            Remove(f.*group.OtherLabel.Field);
        for (std::size_t v = 0; v < group.Count; ++v)
            Remove(f.*group.Values[v].Edit.Field);
        Remove(f.*group.Read.Field);
        Remove(f.*group.Write.Field);
        Remove(f.*group.Box.Field);
    }
}

} // namespace

void ShapeMainWindow(TForm1& f) {
    RemovePidGroups(f);
    // The heating group sits 16 lower than in the Russian design.
    f.GroupBox20->SetTop(f.GroupBox20->Top() + 16);

    // Design sizes; the window opens maximized and these controls follow it. The tops of the
    // controls aligned to the bottom come from the layout: a design top set on one of them
    // would move it past its neighbour and change their order.
    f.SetBounds(253, 141, 1262, 737);
    f.StatusBar1->SetWidth(1246);
    f.Panel4->SetWidth(1246);
    f.Panel3->SetHeight(606);
    f.Panel1->SetWidth(973);
    f.Panel1->SetHeight(606);
    f.Panel2->SetWidth(971);
    f.PageControl1->SetWidth(971);
    f.Label4->SetWidth(969);
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{f.Chart2, f.Chart3, f.Memo1})
        c->SetWidth(963);
    f.StringGrid1->SetWidth(971);
    f.StringGrid1->SetHeight(133);
    f.ToolBar1->SetWidth(971);

    f.FParseRules = core::kEnglishParseRules;
}

TForm1* CreateMainWindow(ui::TComponent* owner) {
    auto* form = new TForm1(owner);
    // As the application creates a form: Form1 and the main form are set before FormCreate.
    Form1 = form;
    if (owner == ui::Application && !ui::Application->MainForm())
        ui::Application->SetMainForm(form);
    ShapeMainWindow(*form);
    form->DoCreate();
    return form;
}

} // namespace english
