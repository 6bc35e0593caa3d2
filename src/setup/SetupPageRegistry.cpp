#include "setup/SetupPageRegistry.h"

void CSetupPageRegistry::Register(int templateId, Factory factory)
{
    if (factory)
        m_factories[templateId] = std::move(factory);
}

CSetupPage* CSetupPageRegistry::Make(int templateId) const
{
    const auto it = m_factories.find(templateId);
    return it == m_factories.end() ? nullptr : it->second();
}

const CSetupPageRegistry& CSetupPageRegistry::Default()
{
    static const CSetupPageRegistry registry = [] {
        CSetupPageRegistry r;
        RegisterSetupPages(r);
        return r;
    }();
    return registry;
}
