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

class CollectionView;

// One cell of a collection view. Screens subclass it and add their views to contentView(); a
// cell is reused for other items once it scrolls away, after prepareForReuse.
class CollectionViewCell : public View {
public:
    CollectionViewCell();
    std::string className() const override { return "CollectionViewCell"; }

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    const std::shared_ptr<View>& contentView() const { return m_contentView; }
    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool selected) { m_selected = selected; }
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted) { m_highlighted = highlighted; }
    virtual void prepareForReuse() {}
    std::optional<std::string> automationText() const override;
    void didMoveToSuperview() override { attachContentView(); }

private:
    friend class CollectionView;
    friend class CellReusePool<CollectionViewCell>;
    void attachContentView();
    std::string m_reuseIdentifier;
    std::shared_ptr<View> m_contentView;
    bool m_selected { false };
    bool m_highlighted { false };
};

class CollectionViewDataSource {
public:
    virtual ~CollectionViewDataSource() = default;
    virtual long numberOfSectionsInCollectionView(CollectionView& collectionView) { (void)collectionView; return 1; }
    virtual long numberOfItemsInSection(CollectionView& collectionView, long section) = 0;
    // Usually collectionView.dequeueReusableCell(identifier, indexPath), then filled.
    virtual std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) = 0;
};

// The flow layout's and the selection's questions; all optional.
class CollectionViewDelegate : public ScrollViewDelegate {
public:
    virtual std::optional<Size> sizeForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) { (void)collectionView, (void)indexPath; return std::nullopt; }
    virtual bool shouldSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) { (void)collectionView, (void)indexPath; return true; }
    virtual void didSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) { (void)collectionView, (void)indexPath; }
    virtual void didDeselectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) { (void)collectionView, (void)indexPath; }
};

// Lines of items filling the width (vertical scrolling) or the height (horizontal), left to
// right and top to bottom, each line as tall as its tallest item.
struct CollectionViewFlowLayout {
    enum class ScrollDirection { Vertical, Horizontal };
    Size itemSize { 50, 50 };          // when the delegate gives none
    double minimumLineSpacing { 10 };
    double minimumInteritemSpacing { 10 };
    EdgeInsets sectionInset;
    ScrollDirection scrollDirection { ScrollDirection::Vertical };
};

// A scrolling grid of cells from a data source. Cells exist only for the items in view: moving the
// offset asks the data source for the items that come into view and puts the others back in the
// reuse queue of their identifier. A tap selects an item (or toggles it with multiple selection)
// and tells the delegate; selecting in code does not.
class CollectionView : public ScrollView {
public:
    CollectionView();
    explicit CollectionView(const Rect& frame);
    ~CollectionView() override;
    std::string className() const override { return "CollectionView"; }

    void setDataSource(std::weak_ptr<CollectionViewDataSource> dataSource);
    void setCollectionDelegate(std::weak_ptr<CollectionViewDelegate> delegate);
    std::shared_ptr<CollectionViewDelegate> collectionDelegate() const { return m_delegate.lock(); }
    CollectionViewFlowLayout& layout() { return m_layout; }
    void setLayout(const CollectionViewFlowLayout& layout);

    // Reuse: cells made by the factory registered under an identifier.
    using CellFactory = CellReusePool<CollectionViewCell>::Factory;
    void registerCell(const std::string& identifier, CellFactory factory);
    template<typename T>
    void registerCellClass(const std::string& identifier)
    {
        registerCell(identifier, [] { return View::make<T>(); });
    }
    // A queued cell of that identifier or a new one; nullptr when nothing is registered under it.
    std::shared_ptr<CollectionViewCell> dequeueReusableCell(const std::string& identifier, IndexPath indexPath);
    template<typename T>
    std::shared_ptr<T> dequeueReusableCell(const std::string& identifier, IndexPath indexPath)
    {
        return std::dynamic_pointer_cast<T>(dequeueReusableCell(identifier, indexPath));
    }

    void reloadData(); // forgets cells and selection, asks the data source again
    void deleteItemsAtIndexPaths(const std::vector<IndexPath>& indexPaths); // after the data source removed them
    long numberOfSections();
    long numberOfItemsInSection(long section);

    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(IndexPath indexPath); // nullptr unless in view
    std::vector<IndexPath> indexPathsForVisibleItems();
    std::vector<std::shared_ptr<CollectionViewCell>> visibleCells();
    std::optional<IndexPath> indexPathForItemAtPoint(Point point); // own (content) coordinates
    std::optional<IndexPath> indexPathForCell(const CollectionViewCell& cell);
    std::optional<Rect> frameForItemAtIndexPath(IndexPath indexPath); // the layout's rectangle
    void scrollToItemAtIndexPath(IndexPath indexPath, ScrollPosition position, Animated animated);

    bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool allows);
    bool allowsMultipleSelection() const { return m_allowsMultipleSelection; }
    void setAllowsMultipleSelection(bool allows);
    std::vector<IndexPath> indexPathsForSelectedItems() const { return m_selected; } // in selection order
    bool isItemSelected(IndexPath indexPath) const;
    void selectItemAtIndexPath(std::optional<IndexPath> indexPath, Animated animated, ScrollPosition position); // nothing: deselect all
    void deselectItemAtIndexPath(IndexPath indexPath, Animated animated);

    void layoutSubviews() override;
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;
    std::optional<std::string> automationText() const override; // the selection, "0.3 0.5"

protected:
    void contentOffsetDidChange() override { updateVisibleCells(); }

private:
    struct Section {
        std::vector<Rect> frames; // in line order: their leading edges never go back
        double deepest { 0 };     // the largest item along the scrolling axis
    };
    void setUpCollection();
    void ensureLayout();
    void computeLayout();
    void updateVisibleCells();
    void enqueue(const std::shared_ptr<CollectionViewCell>& cell);
    void userTapped(IndexPath indexPath);
    void applySelection(IndexPath indexPath, bool selected);

    std::weak_ptr<CollectionViewDataSource> m_dataSource;
    std::weak_ptr<CollectionViewDelegate> m_delegate;
    CollectionViewFlowLayout m_layout;
    std::vector<Section> m_sections;
    bool m_layoutValid { false };
    Size m_layoutSize;
    CellReusePool<CollectionViewCell> m_reusePool;
    std::map<IndexPath, std::shared_ptr<CollectionViewCell>> m_visible;
    std::vector<IndexPath> m_selected;
    bool m_allowsSelection { true };
    bool m_allowsMultipleSelection { false };
    std::optional<IndexPath> m_touchedItem;
    bool m_updatingCells { false };
};

}
