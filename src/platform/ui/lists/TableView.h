#pragma once

#include <platform/ui/lists/CellReusePool.h>
#include <platform/ui/lists/IndexPath.h>
#include <platform/ui/lists/ScrollView.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class TableView;
class PanGestureRecognizer;

enum class TableViewCellEditingStyle { None, Delete };
enum class TableViewCellSelectionStyle { None, Gray };

// One row of a table view. Screens subclass it and add their views to contentView(). In editing
// mode the content moves right for the delete control (when the row has one and indents) and a
// reorder grip appears on the right of rows that can move.
class TableViewCell : public View {
public:
    TableViewCell();
    std::string className() const override { return "TableViewCell"; }

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    const std::shared_ptr<View>& contentView() const { return m_contentView; }
    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool selected);
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted);
    TableViewCellSelectionStyle selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(TableViewCellSelectionStyle style) { m_selectionStyle = style; setNeedsDisplay(); }
    virtual void prepareForReuse() {}
    bool showsReorderControl() const { return m_reorder && !m_reorder->isHidden(); }
    bool showsDeleteControl() const { return m_delete && !m_delete->isHidden(); }

    void layoutSubviews() override;
    void draw(Painter& painter, const Rect& rect) override;
    void didMoveToSuperview() override { attachContentView(); }
    std::optional<std::string> automationText() const override; // "selected" while selected

    static constexpr double kControlWidth = 44;   // the reorder grip
    static constexpr double kIndentation = 38;    // room for the delete control

private:
    friend class TableView;
    friend class CellReusePool<TableViewCell>;
    void attachContentView();
    void setEditingControls(bool deleteControl, bool indent, bool reorder);

    std::string m_reuseIdentifier;
    std::shared_ptr<View> m_contentView;
    std::shared_ptr<View> m_reorder;
    std::shared_ptr<View> m_delete;
    bool m_indented { false };
    bool m_selected { false };
    bool m_highlighted { false };
    TableViewCellSelectionStyle m_selectionStyle { TableViewCellSelectionStyle::Gray };
};

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual long numberOfSectionsInTableView(TableView& tableView) { (void)tableView; return 1; }
    virtual long numberOfRowsInSection(TableView& tableView, long section) = 0;
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tableView, IndexPath indexPath) = 0;
    virtual bool canMoveRowAtIndexPath(TableView& tableView, IndexPath indexPath) { (void)tableView, (void)indexPath; return false; }
    // The user dragged a row; the data source moves its item (within its section).
    virtual void moveRowAtIndexPath(TableView& tableView, IndexPath from, IndexPath to) { (void)tableView, (void)from, (void)to; }
    // The user tapped a row's delete control.
    virtual void commitDeleteRowAtIndexPath(TableView& tableView, IndexPath indexPath) { (void)tableView, (void)indexPath; }
};

class TableViewDelegate : public ScrollViewDelegate {
public:
    virtual std::optional<double> heightForRowAtIndexPath(TableView& tableView, IndexPath indexPath) { (void)tableView, (void)indexPath; return std::nullopt; }
    virtual bool shouldSelectRowAtIndexPath(TableView& tableView, IndexPath indexPath) { (void)tableView, (void)indexPath; return true; }
    virtual void didSelectRowAtIndexPath(TableView& tableView, IndexPath indexPath) { (void)tableView, (void)indexPath; }
    virtual void didDeselectRowAtIndexPath(TableView& tableView, IndexPath indexPath) { (void)tableView, (void)indexPath; }
    virtual TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView& tableView, IndexPath indexPath) { (void)tableView, (void)indexPath; return TableViewCellEditingStyle::Delete; }
    virtual bool shouldIndentWhileEditingRowAtIndexPath(TableView& tableView, IndexPath indexPath) { (void)tableView, (void)indexPath; return true; }
};

// A scrolling column of rows in sections, with cells only for the rows in view, reused by
// identifier. A tap selects a row and tells the delegate (selecting in code does not). In editing
// mode rows are not selected; rows that can move show a grip that drags them to another place in
// their section, and the data source is told the move when the finger lifts.
class TableView : public ScrollView {
public:
    TableView();
    explicit TableView(const Rect& frame);
    ~TableView() override;
    std::string className() const override { return "TableView"; }

    void setDataSource(std::weak_ptr<TableViewDataSource> dataSource);
    void setTableDelegate(std::weak_ptr<TableViewDelegate> delegate);
    double rowHeight() const { return m_rowHeight; }
    void setRowHeight(double height);

    using CellFactory = CellReusePool<TableViewCell>::Factory;
    void registerCell(const std::string& identifier, CellFactory factory);
    template<typename T>
    void registerCellClass(const std::string& identifier)
    {
        registerCell(identifier, [] { return View::make<T>(); });
    }
    std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier, IndexPath indexPath); // nullptr: not registered
    template<typename T>
    std::shared_ptr<T> dequeueReusableCell(const std::string& identifier, IndexPath indexPath)
    {
        return std::dynamic_pointer_cast<T>(dequeueReusableCell(identifier, indexPath));
    }

    void reloadData(); // forgets cells and selection
    // The data source already moved the row; the table follows without asking it.
    void moveRowAtIndexPath(IndexPath from, IndexPath to);
    long numberOfSections();
    long numberOfRowsInSection(long section);

    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath indexPath); // nullptr unless in view
    std::vector<IndexPath> indexPathsForVisibleRows();
    std::vector<std::shared_ptr<TableViewCell>> visibleCells();
    std::optional<IndexPath> indexPathForRowAtPoint(Point point); // own (content) coordinates
    std::optional<IndexPath> indexPathForCell(const TableViewCell& cell);
    std::optional<Rect> rectForRowAtIndexPath(IndexPath indexPath);
    void scrollToRowAtIndexPath(IndexPath indexPath, ScrollPosition position, Animated animated);

    bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool allows);
    bool allowsMultipleSelection() const { return m_allowsMultipleSelection; }
    void setAllowsMultipleSelection(bool allows) { m_allowsMultipleSelection = allows; }
    std::optional<IndexPath> indexPathForSelectedRow() const;
    std::vector<IndexPath> indexPathsForSelectedRows() const { return m_selected; }
    void selectRowAtIndexPath(std::optional<IndexPath> indexPath, Animated animated, ScrollPosition position);
    void deselectRowAtIndexPath(IndexPath indexPath, Animated animated);

    bool isEditing() const { return m_editing; }
    void setEditing(bool editing, Animated animated = Animated::No);
    bool isReordering() const { return m_reorder.has_value(); }

    void layoutSubviews() override;
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;
    std::optional<std::string> automationText() const override; // the selection, "0.2"

    static constexpr double kDefaultRowHeight = 44;

protected:
    void contentOffsetDidChange() override { updateVisibleCells(); }

private:
    friend class TableReorderControl;
    friend class TableDeleteControl;
    struct Reorder {
        IndexPath from;
        IndexPath to;
        std::shared_ptr<TableViewCell> cell;
        double startCentreY { 0 };
    };
    void ensureLayout();
    void computeLayout();
    void updateVisibleCells();
    void configureEditing(TableViewCell& cell, IndexPath indexPath);
    void enqueue(const std::shared_ptr<TableViewCell>& cell);
    void userTapped(IndexPath indexPath);
    void applySelection(IndexPath indexPath, bool selected);
    void remapAfterMove(IndexPath from, IndexPath to);
    void reorderBegan(TableViewCell& cell);
    void reorderMoved(double dy);
    void reorderEnded();
    void deleteTapped(TableViewCell& cell);
    void placeCells(bool animated);

    std::weak_ptr<TableViewDataSource> m_dataSource;
    std::weak_ptr<TableViewDelegate> m_delegate;
    double m_rowHeight { kDefaultRowHeight };
    std::vector<std::vector<Rect>> m_rows; // per section
    bool m_layoutValid { false };
    Size m_layoutSize;
    CellReusePool<TableViewCell> m_reusePool;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> m_visible;
    std::vector<IndexPath> m_selected;
    bool m_allowsSelection { true };
    bool m_allowsMultipleSelection { false };
    bool m_editing { false };
    std::optional<IndexPath> m_touchedRow;
    std::optional<Reorder> m_reorder;
    bool m_updatingCells { false };
};

}
