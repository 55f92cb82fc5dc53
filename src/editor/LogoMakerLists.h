#pragma once

#include <editor/LogoMakerCells.h>
#include <editor/LogoMakerController.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/lists/PickerView.h>
#include <platform/ui/lists/TableView.h>

namespace vd {

// The editor's lists speak to it through small adapters, one per kind of list, because the
// toolkit's delegate interfaces share a base.
struct LogoMakerController::Lists {
    LogoMakerController* editor { nullptr };
    bool foldingZoom { false };

    // Both grids: the palette (myCollectionForme) and the colour swatches (myCollectionView),
    // told apart by identity.
    struct Grids : CollectionViewDataSource, CollectionViewDelegate {
        Lists* lists { nullptr };
        long numberOfItemsInSection(CollectionView& view, long) override;
        std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath indexPath) override;
        std::optional<Size> sizeForItemAtIndexPath(CollectionView& view, IndexPath indexPath) override;
        void didSelectItemAtIndexPath(CollectionView& view, IndexPath indexPath) override;
    };
    struct Rows : TableViewDataSource, TableViewDelegate {
        Lists* lists { nullptr };
        long numberOfRowsInSection(TableView&, long) override;
        std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath indexPath) override;
        bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return true; }
        void moveRowAtIndexPath(TableView&, IndexPath from, IndexPath to) override;
        std::optional<double> heightForRowAtIndexPath(TableView& table, IndexPath) override;
        void didSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
        TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) override { return TableViewCellEditingStyle::None; }
        bool shouldIndentWhileEditingRowAtIndexPath(TableView&, IndexPath) override { return false; }
    };
    struct Pickers : PickerViewDataSource, PickerViewDelegate {
        Lists* lists { nullptr };
        long numberOfComponentsInPickerView(PickerView&) override { return 1; }
        long numberOfRowsInComponent(PickerView& picker, long) override;
        std::shared_ptr<View> viewForRow(PickerView& picker, long row, long component, std::shared_ptr<View> reusing) override;
        std::optional<std::string> titleForRow(PickerView& picker, long row, long component) override;
        void didSelectRow(PickerView& picker, long row, long component) override;
    };
    struct Zoom : ScrollViewDelegate {
        Lists* lists { nullptr };
        std::shared_ptr<View> viewForZoomingInScrollView(ScrollView&) override;
        void scrollViewDidEndZooming(ScrollView&, View* view, double scale) override;
    };

    std::shared_ptr<Grids> grids = std::make_shared<Grids>();
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<Pickers> pickers = std::make_shared<Pickers>();
    std::shared_ptr<Zoom> zoom = std::make_shared<Zoom>();

    void attach(); // sets the adapters on the editor's lists
};

}
