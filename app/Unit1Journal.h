#pragma once
// What the journal grid's record rows carry besides their texts: the graph box that marks the
// record whose curves are shown (object of column 5) and the curve-file references (objects
// of columns 1, 2 and 3). They are plain objects, never shown, kept by a pool of the window.
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ui/Classes.h"
#include "ui/DateTime.h"

namespace app {

// The graph box of a record row: an invisible check box captioned "ГРАФИК".
class TGraphBox : public ui::TObject {
public:
    static constexpr const char* kCaption = "ГРАФИК";
    const std::string& Caption() const { return caption_; }
    bool Checked() const { return checked_; }
    void SetChecked(bool on) { checked_ = on; }
    bool Visible() const { return visible_; }
    void SetVisible(bool on) { visible_ = on; }

private:
    std::string caption_ = kCaption;
    bool checked_ = false;
    bool visible_ = false;
};

// A curve-file reference: the full path of one of a record's curve files as its caption.
class TCurveFileRef : public ui::TObject {
public:
    explicit TCurveFileRef(std::string path) : caption_(std::move(path)) {}
    const std::string& Caption() const { return caption_; }

private:
    std::string caption_;
};

// The cell object as a graph box / a curve-file reference, or nullptr.
TGraphBox* GraphBoxOf(ui::TObject* cellObject);
TCurveFileRef* CurveFileRefOf(ui::TObject* cellObject);

// Owns every graph box and reference the grid holds. Each object sits in one cell at most;
// an object taken out of the grid is given back with Release: a box waits unmarked for the
// next rebuild, a reference is freed.
class TJournalAttachments {
public:
    TJournalAttachments();
    ~TJournalAttachments();
    TJournalAttachments(const TJournalAttachments&) = delete;
    TJournalAttachments& operator=(const TJournalAttachments&) = delete;

    // A new, unmarked box.
    TGraphBox* NewGraphBox();
    TCurveFileRef* NewCurveFileRef(const std::string& path);
    // Objects that are not the pool's are left alone.
    void Release(ui::TObject* object);

    std::size_t BoxesMade() const { return boxes_.size(); }
    std::size_t RefsHeld() const { return refs_.size(); }

private:
    std::vector<std::unique_ptr<TGraphBox>> boxes_;
    std::unordered_set<const TGraphBox*> mine_; // every box made
    std::unordered_set<const TGraphBox*> free_; // boxes in no cell
    std::vector<TGraphBox*> freeBoxes_;
    std::unordered_map<ui::TObject*, std::unique_ptr<TCurveFileRef>> refs_;
};

// A record's date cell: the date in the locale's short form, two blanks, the time in its long
// form (without a time-zone name).
std::string JournalDateTimeText(const ui::TDateTimeTexts& when);

} // namespace app
