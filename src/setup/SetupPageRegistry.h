// Which page class each template id opens. The setup window asks the
// registry for a new page when an opener runs; an id nobody registered opens
// nothing. Page families register themselves in RegisterSetupPages
// (SetupPageCatalogue.cpp), one line each.
#pragma once

#include <functional>
#include <map>
#include <memory>

class CSetupPage;

// The extra arguments three openers pass on: the account page (returning
// flag, user), the account channel page (user) and the mail schedule page
// (mail mode).
struct SetupPageArgs
{
    int a = 0;
    int b = 0;
    friend bool operator==(const SetupPageArgs& x, const SetupPageArgs& y)
    {
        return x.a == y.a && x.b == y.b;
    }
};

class CSetupPageRegistry
{
public:
    using Factory = std::function<CSetupPage*()>;

    void Register(int templateId, Factory factory);
    bool Has(int templateId) const { return m_factories.count(templateId) != 0; }
    // A new page object, not yet created; null for an unknown id.
    CSetupPage* Make(int templateId) const;

    // The program's registry, filled once by RegisterSetupPages.
    static const CSetupPageRegistry& Default();

private:
    std::map<int, Factory> m_factories;
};

// Every page family of the client adds its pages here.
void RegisterSetupPages(CSetupPageRegistry& registry);
