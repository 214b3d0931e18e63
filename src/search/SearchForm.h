#pragma once

#include "QueryBuilder.h"
#include "ResultFilters.h"

#include <QCoroTask>
#include <QString>

namespace quenlit {

class WorkScope;

// What the search logic reads from and shows on the search window, at the moment it needs
// it: a change made while a batch runs takes effect from that point on.
class SearchForm {
public:
    virtual ~SearchForm() = default;
    virtual QString keywordText() const = 0;
    virtual bool wholePhrase() const = 0;
    virtual TimeRange timeRange() const = 0;
    virtual bool typeTicked(DocumentType type) const = 0;
    // The pause list's text, in seconds.
    virtual QString pauseText() const = 0;
    virtual TitleOptions titleOptions() const = 0;
    // The save-folder dialog, awaited; it sets the live folder and the cancelled flag. A
    // cancelled scope closes it as cancelled.
    virtual QCoro::Task<> askSaveFolder(WorkScope& scope) = 0;
    virtual void clearProgress() = 0;
    // Inserts text at the end of the progress box.
    virtual void appendProgress(const QString& text) = 0;
    // The results list changed: the count label and column widths follow.
    virtual void resultsChanged() = 0;
    virtual void sizeResultColumns() = 0;
};

} // namespace quenlit
