#pragma once

#include <platform/foundation/Log.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vd {

// The cells of a list that are not in view, by reuse identifier, and the factories that make new
// ones. The collection view and the table view both keep their cells here, so a cell scrolled
// away is prepared and handed out again instead of being made anew.
template<typename Cell>
class CellReusePool {
public:
    using Factory = std::function<std::shared_ptr<Cell>()>;

    void registerCell(const std::string& identifier, Factory factory) { m_factories[identifier] = std::move(factory); }

    // A waiting cell after its prepareForReuse(), else a new one from the identifier's factory.
    // Null, with a warning naming the list, when nothing is registered under the identifier.
    std::shared_ptr<Cell> dequeue(const std::string& identifier, const std::string& listName)
    {
        std::shared_ptr<Cell> cell;
        if (auto& queue = m_queue[identifier]; !queue.empty()) {
            cell = std::move(queue.back());
            queue.pop_back();
            cell->prepareForReuse();
        } else if (auto factory = m_factories.find(identifier); factory != m_factories.end()) {
            cell = factory->second();
            if (!cell)
                return nullptr;
            cell->m_reuseIdentifier = identifier;
            cell->attachContentView();
        } else {
            log::warning(listName + ": no cell is registered under \"" + identifier + "\"");
            return nullptr;
        }
        cell->setHighlighted(false);
        return cell;
    }

    // Takes the cell out of its list to wait for reuse; cells made without an identifier are let go.
    void enqueue(const std::shared_ptr<Cell>& cell)
    {
        cell->removeFromSuperview();
        cell->setHighlighted(false);
        if (!cell->m_reuseIdentifier.empty())
            m_queue[cell->m_reuseIdentifier].push_back(cell);
    }

private:
    std::map<std::string, Factory> m_factories;
    std::map<std::string, std::vector<std::shared_ptr<Cell>>> m_queue;
};

}
