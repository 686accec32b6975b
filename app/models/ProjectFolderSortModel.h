#pragma once

#include "models/SortModel.h"

// The content of a folder (or the top level of the projects): folders before
// projects, and the one-step actions list always last.
class ProjectFolderSortModel : public SortModel
{
    Q_OBJECT

public:
    explicit ProjectFolderSortModel(QObject* parent = nullptr);

protected:
    Opinion firstHook(const QVariantMap& left, const QVariantMap& right) const override;
    Opinion secondHook(const QVariantMap& left, const QVariantMap& right) const override;
};
