# What the scripts that run the Windows edition in a Wine prefix share (sourced, and called
# inside scripts/wine-env.sh, which sets WINEPREFIX): the registry value an installed Zem host
# records, and the sample YNote account where YNote keeps it.

# register_zem_host <Windows folder ending with \>: HKEY_CURRENT_USER\Software\Zem "AppPath"
# names the folder, as an installed Zem host records its program folder.
register_zem_host() {
  local reg="$WINEPREFIX/zem-host.reg"
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Zem]\r\n"AppPath"="%s"\r\n\r\n' \
    "${1//\\/\\\\}" >"$reg"
  wine regedit /S "$(winepath -w "$reg")"
}

# write_sample_account <make_ynote_sample program>: writes the sample YNote account into
# %LOCALAPPDATA%\YNote\Data, with its attachment storage beside it, and prints the Windows
# path of its database.
write_sample_account() {
  local appdata ynote_data_windows ynote_data database
  appdata=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
  ynote_data_windows="$appdata\\YNote\\Data"
  ynote_data=$(winepath -u "$ynote_data_windows")
  mkdir -p "$ynote_data"
  database=$("$1" "$ynote_data" "$ynote_data_windows\\attachments\\")
  printf '%s\n' "$ynote_data_windows\\$(basename "$database")"
}
