<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>InstallingUI</name>
    <message>
        <source>MainWindowUI</source>
        <translation>Orvessa Uninstaller</translation>
    </message>
    <message>
        <source>UndoMerge</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>MainWindowUI</name>
    <message>
        <source>MainWindowUI</source>
        <translation>Orvessa Uninstaller</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>TheClientIsRunningPrnptTrdtT</source>
        <translation>Orvessa is running. Please close it and start the uninstaller again.</translation>
    </message>
    <message>
        <source>ThisSoftwareIsNotCurmXqDCfI</source>
        <translation>Orvessa is not installed on this computer.</translation>
    </message>
    <message>
        <source>DetermineTheUninstalfYANYiIa</source>
        <translation>Do you really want to uninstall Orvessa and all of its components?</translation>
    </message>
    <message>
        <source>BeganToUnloadWkJrSaJaAq</source>
        <translation>Removing program files...</translation>
    </message>
    <message>
        <source>DeleteShortcutULXVgdVTs</source>
        <translation>Deleting shortcuts...</translation>
    </message>
    <message>
        <source>ClearTheRegistryeuyqTkYHjj</source>
        <translation>Cleaning up the registry...</translation>
    </message>
    <message>
        <source>Uninstalled</source>
        <translation>Uninstall finished</translation>
    </message>
</context>
<context>
    <name>UnInstallCompletedUI</name>
    <message>
        <source>MainWindowUI</source>
        <translation>Orvessa Uninstaller</translation>
    </message>
    <message>
        <source>Uninstalled</source>
        <translation>Orvessa has been uninstalled</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Done</translation>
    </message>
</context>
<context>
    <name>UpperWidgeUI</name>
    <message>
        <source>MainWindowUI</source>
        <translation>Orvessa Uninstaller</translation>
    </message>
</context>
<context>
    <name>appinstaller::CustomTitleWidget</name>
    <message>
        <source>QuintreluZxkRHANyR</source>
        <translation>Orvessa</translation>
    </message>
</context>
<context>
    <name>appinstaller::UnInstallCompletedPage</name>
    <message>
        <source>UninstalledItemsRemainQfTzWbKd</source>
        <translation>Uninstalled, but %1 item(s) could not be removed:</translation>
    </message>
    <message>
        <source>CouldNotBeRemovedHxVmRaPe</source>
        <translation>could not be removed</translation>
    </message>
    <message>
        <source>KeptForSafetyNcLdYwQu</source>
        <translation>kept: protected location</translation>
    </message>
    <message>
        <source>InvalidInstallPathRtGeSoLa</source>
        <translation>no valid install folder recorded</translation>
    </message>
    <message>
        <source>UnsafeNameSkippedPwUcIeBn</source>
        <translation>skipped: unsafe product name</translation>
    </message>
</context>
</TS>
