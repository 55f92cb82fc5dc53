#pragma once

#include <platform/ui/presentation/ViewController.h>

#include <map>
#include <memory>

namespace vd {

class Button;
class CollectionView;
class Label;
class QuintaraApplyController;
class StampEngine;
class Switch;

// The review grid ("quintarareview"): every selected photo of the apply screen, in selection
// order, with the logo drawn by the stamping engine exactly where, how large, how turned and how
// opaque it will be stamped on that photo. Tapping a photo goes back to the apply screen to
// place the logo on that photo alone; photos with a placement of their own carry a mark. The
// apply screen opens it and sets myApplyController before pushing it.
class QuintaraReviewController : public ViewController {
public:
    QuintaraReviewController();
    ~QuintaraReviewController() override;
    std::string className() const override { return "QuintaraReviewController"; }

    std::weak_ptr<QuintaraApplyController> myApplyController; // the photos, the logo and the placements

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    long metodoNumeroFoto() const;
    // The engine that stamps the photo at item: its own placement's, or the common one.
    std::shared_ptr<const StampEngine> metodoMotorePerFoto(long item) const;
    void metodoPreparaMotori(); // made again when the placements or the adapt switch change
    void metodoRegolaFoto(long item); // back to the apply screen, to place the logo on this photo
    void mySwitchAdattaACTION();
    void myButtonBackACTION();

    std::shared_ptr<View> myViewCustomNavBar;
    std::shared_ptr<Button> myButtonBack;
    std::shared_ptr<Label> myLabelTitoloRevisione, myLabelAdatta;
    std::shared_ptr<Switch> mySwitchAdatta;
    std::shared_ptr<CollectionView> myCollectionViewRevisione;

protected:
    // The point where the tablet differs: photos a row.
    virtual int metodoColonne() const { return 3; }

private:
    class Griglia;
    std::shared_ptr<Griglia> m_griglia;
    std::shared_ptr<const StampEngine> m_motoreComune;
    std::map<long, std::shared_ptr<const StampEngine>> m_motoriPropri; // by position in the selection
};

// The tablet layout of the same screen.
class QuintaraReviewControllerIPAD : public QuintaraReviewController {
public:
    std::string className() const override { return "QuintaraReviewControllerIPAD"; }

protected:
    int metodoColonne() const override { return 5; }
};

}
