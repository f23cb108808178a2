# The names the deliverables, the installer, the scripts and the tests all
# use, written once. contract/CMakeLists.txt makes the C++ header, the NSIS
# include, the Python module and the shell file from them; the type library
# source and the handler's registry script are made from them too.
set(ZEN_NAME_PRODUCT "Zentaris")
set(ZEN_NAME_PUBLISHER "Telmark")
# Below HKEY_CURRENT_USER (and HKEY_LOCAL_MACHINE for a machine-wide
# installation): "LauncherPath" and the user's application records.
set(ZEN_NAME_BRANCH "SOFTWARE\\Telmark\\Zentaris")
set(ZEN_NAME_LAUNCHER_PATH_VALUE "LauncherPath")
set(ZEN_NAME_SCHEME "zentaris")
set(ZEN_NAME_LAUNCHER_EXE "ZentarisLauncher.exe")
set(ZEN_NAME_HANDLER_DLL "zenproto.dll")
# The tray's hidden window: the installer finds a running tray by it.
set(ZEN_NAME_TRAY_CLASS "ZentarisLauncherApplication")
# The handler's class, its type library and its dual interface.
set(ZEN_NAME_CLSID "3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14")
set(ZEN_NAME_LIBID "8E21F6A3-47B9-4C0D-9F35-0B6A2D8C71E9")
set(ZEN_NAME_IID "5D0B9E47-2C6A-4F13-8B7E-91A4C3F6D028")
