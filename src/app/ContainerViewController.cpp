#include <app/ContainerViewController.h>

#include <platform/ui/presentation/ScreenRegistry.h>

namespace vd {

ContainerViewController::ContainerViewController() { bind("myContainerView", myContainerView); }

bool ContainerViewController::metodoSchermoConNotch(double altezzaInPixel)
{
    return altezzaInPixel >= 1792 && altezzaInPixel != 1920 && altezzaInPixel != 2208;
}

void ContainerViewController::metodoOspita(std::shared_ptr<ViewController> ospite)
{
    m_ospite = std::move(ospite);
    m_attaccato = false;
    if (isViewLoaded())
        metodoAttacca();
}

void ContainerViewController::viewDidLoad()
{
    if (!myContainerView) {
        myContainerView = View::make();
        myContainerView->setFrame(view()->bounds());
        myContainerView->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
        view()->addSubview(myContainerView);
    }
    const double altezza = view()->bounds().height() * kPixelPerPunto;
    if (ScreenRegistry::shared().deviceKind() == DeviceKind::Phone && metodoSchermoConNotch(altezza)) {
        Rect frame = myContainerView->frame();
        frame.origin.y += kSpostamentoNotch;
        frame.size.height -= kSpostamentoNotch;
        myContainerView->setFrame(frame);
    }
    metodoAttacca();
}

void ContainerViewController::metodoAttacca()
{
    if (!m_ospite || m_attaccato || !myContainerView)
        return;
    m_attaccato = true;
    m_ospite->setParentViewController(shared_from_this());
    auto hosted = m_ospite->view();
    hosted->setFrame(myContainerView->bounds());
    hosted->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    myContainerView->addSubview(hosted);
}

void ContainerViewController::viewWillAppear(bool animated)
{
    if (m_ospite)
        m_ospite->beginAppearanceTransition(true, animated);
}

void ContainerViewController::viewDidAppear(bool animated)
{
    (void)animated;
    if (m_ospite)
        m_ospite->endAppearanceTransition();
}

void ContainerViewController::viewWillDisappear(bool animated)
{
    if (m_ospite)
        m_ospite->beginAppearanceTransition(false, animated);
}

void ContainerViewController::viewDidDisappear(bool animated)
{
    (void)animated;
    if (m_ospite)
        m_ospite->endAppearanceTransition();
}

}
