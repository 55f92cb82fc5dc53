#pragma once

#include <nlohmann/json.hpp>

namespace vd {

class View;

// The view tree as JSON for automation: per view its class, name, frame in window points,
// bounds, centre, transform, alpha, hidden, text or title, image name, tag, colours and subviews.
nlohmann::json dumpViewTree(const View& root);

}
