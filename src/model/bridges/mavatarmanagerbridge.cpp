#include "mavatarmanagerbridge.h"

#include "mavatarmanager.h"
#include "moavatarmanager.h"
#include "moavatarmanagerdelegate.h"
#include "mocorevalues_p.h"
#include "momainthread_p.h"
#include "mouseraccount.h"

MAvatarManagerBridge::MAvatarManagerBridge(MOAvatarManager *manager)
    : m_manager(manager)
{}

void MAvatarManagerBridge::handleAvatarReady(const MUserAccount &account, const QString &path)
{
    assertMainThread();
    if (MOAvatarManagerDelegate *delegate = m_manager->delegate())
        delegate->avatarManagerDidFetchAvatarAtPath(
            m_manager, MOCoreValues::userAccountWithCXXUserAccount(account), path);
}

void MAvatarManagerBridge::handleAvatarUpdated(const MUserAccount &account, const QString &path)
{
    assertMainThread();
    if (MOAvatarManagerDelegate *delegate = m_manager->delegate())
        delegate->avatarManagerDidUpdateAvatarAtPath(
            m_manager, MOCoreValues::userAccountWithCXXUserAccount(account), path);
}

void MAvatarManagerBridge::handleAvatarUpdateFailed(int status)
{
    assertMainThread();
    if (MOAvatarManagerDelegate *delegate = m_manager->delegate())
        delegate->avatarManagerDidFailUpdatingAvatar(m_manager, status);
}

void MAvatarManagerBridge::connectToCore(MAvatarManager *core)
{
    connect(core, &MAvatarManager::avatarReady, this, &MAvatarManagerBridge::handleAvatarReady);
    connect(core, &MAvatarManager::avatarUpdated, this, &MAvatarManagerBridge::handleAvatarUpdated);
    connect(core, &MAvatarManager::avatarUpdateFailed, this,
            &MAvatarManagerBridge::handleAvatarUpdateFailed);
}
