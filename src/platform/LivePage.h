#pragma once

#include "Browser.h"

#include <QCoroTask>
#include <memory>

namespace quenlit {

class WorkScope;

// The live page read afresh, or none when the scope was cancelled or the page did not
// answer in time.
QCoro::Task<std::shared_ptr<const HtmlDocument>> readLivePage(Browser& browser, WorkScope& scope);
// Clicks the live element; false when it is no longer there or the scope was cancelled.
QCoro::Task<bool> clickLiveElement(Browser& browser, WorkScope& scope,
                                   const ElementLocator& element);

} // namespace quenlit
