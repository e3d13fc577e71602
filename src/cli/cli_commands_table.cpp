#include "cli/cli_commands_table.h"

namespace {
QString S(const char* text)
{
    return QString::fromUtf8(text);
}
}  // namespace

const std::vector<CliCommand>& CliCommands()
{
    static const std::vector<CliCommand> commands = {
        {S("ports"), S("ports [--all]"), S("List the serial ports present."),
         S("Prints one port name per line: the /dev/serial/by-id names first, then the USB, ACM and "
           "serial devices present that no by-id name stands for, each followed by (busy), (no permission) "
           "or another reason when it cannot be opened now. No device is opened (that would raise DTR and "
           "restart some boards): busy means a running zelk-duv or zelk-cli holds it; (unknown) when "
           "that cannot be seen. --all adds the window's names COM1 to COM20."),
         0, 0, false, false},
        {S("status"), S("status"), S("Read the receiver's status."),
         S("Prints the lines of the window's status report: the ZELK ID, the number of meter IDs in "
           "use, the wireless mode and the flags that are on."),
         0, 0},
        {S("list"), S("list [-o FILE]"), S("Read the receiver's meter list."),
         S("Reads both telegrams of the meter list and writes the 16 slots as the window's Export "
           "writes its table after \"Get all meters from ZELK\": number, meter ID, medium, key (empty) "
           "and the value in the Notes column, each followed by the separator, CR LF after each line. "
           "To standard output without -o. When the values never come, the rows are written without "
           "them and the exit status is 4."),
         0, 0},
        {S("add"), S("add ID"), S("Add one meter ID (8 digits)."), S("Adds the meter ID to the receiver's list."), 1, 1,
         true},
        {S("delete"), S("delete ID"), S("Delete one meter ID."), S("Deletes the meter ID from the receiver's list."), 1,
         1, true},
        {S("set-key"), S("set-key ID KEY"), S("Set a meter's AES-128 key (32 hex digits)."),
         S("Stores the key for the meter. Capital or small letters are accepted; the key is sent as 16 bytes."), 2, 2,
         true},
        {S("read-key"), S("read-key ID"), S("Read a meter's AES-128 key back."),
         S("Prints the key the receiver holds for the meter as 32 capital hex digits."), 1, 1, true},
        {S("set-medium"), S("set-medium ID NAME"), S("Set a meter's medium by name."),
         S("NAME is one of the medium box's names: Oil, Electricity, Steam, Hot water, Water, Cold water, "
           "Gas, H.C.A, Heat meter, Cooling meter, \"Cooling, ft\", Pressure, Dual water, Other; or a name "
           "the receiver's list shows, such as Unknown, \"Heat (rt)\" or \"Heat C.A.\" (any case)."),
         2, 2, true},
        {S("keys"), S("keys FILE [-o FILE] [--password-file FILE]"),
         S("Print the meters of a meter maker's key file as a meter list."),
         S("Reads a key file: a KEM file (encrypted or not, also inside a zip) or a plain list of meter IDs "
           "and keys, recognised by its content. Prints one row per meter as the window's Export writes "
           "its table: number, meter ID, medium (where the file names one the medium box offers), key, and "
           "a consumption type without such a name in the notes. To standard output without -o; the file "
           "written with -o is readable by its owner only. Entries that cannot be imported are named on "
           "standard error; a meter with two different keys is not imported. An encrypted file's password "
           "comes from --password-file, else ZELK_KEY_PASSWORD, else a prompt without echo when standard "
           "input is a terminal; never from the command line. A file that cannot be read as a key file, "
           "or a wrong password, exits 2."),
         1, 1, false, false},
        {S("program"), S("program FILE [--keys] [--media] [--verify] [--exact --yes [--force]] [--dry-run]"),
         S("Make the receiver hold the meters of a meter list file, optionally with keys and media."),
         S("Reads FILE in the window's meter list format (the separator of the settings or --separator; "
           "text after a line's last separator is its last field) and adds each row's meter ID; empty rows "
           "and rows with FFFFFFFF are skipped. A line that holds more than its number but no meter ID, or "
           "a file without any meter ID, is refused before anything is sent (exit 2). FILE may also be a meter "
           "maker's key file (see keys), with the password as keys takes it. A meter the "
           "receiver already holds counts as done (\"already held\"), so the same file can be run again. "
           "With --keys each row's key is set where the row has one, with --media each row's medium (a name "
           "of the medium box or of the receiver's list, as set-medium takes it; not sent again when the list "
           "read shows it right). "
           "--exact first deletes the meters the receiver holds that FILE does not list (needs --yes); it "
           "is refused when it would delete more meters than FILE lists unless --force is given (nothing is "
           "changed then). "
           "With --verify the list is read back (and with --keys each key) and compared; every difference "
           "is named. --dry-run reads the list (and with --keys the keys) and prints the plan without "
           "sending any change; its last line says how many changes it holds. Ctrl+C stops after the "
           "exchange in flight; during --dry-run, which changes nothing, it stops at once (exit 130)."),
         1, 1},
        {S("clear"), S("clear --yes"), S("Delete every meter ID the receiver holds."),
         S("Reads the meter list, then deletes each ID in it. Needs --yes. Ctrl+C stops after the "
           "exchange in flight."),
         0, 0},
        {S("set-id"), S("set-id NEWID"), S("Give the receiver a new ZELK ID."),
         S("The receiver answers from its old ID; later commands need -z NEWID."), 1, 1},
        {S("mode"), S("mode NAME"), S("Set the wireless M-Bus mode: T, S, C or T+C."),
         S("NAME may also be written as the mode box shows it (\"Mode T\")."), 1, 1},
        {S("clock"), S("clock N [on|off]"), S("Adjust the receiver's clock, 0 to 511."),
         S("Sends the clock adjustment N with the adjustment switched on (default) or off."), 1, 2},
        {S("flag"), S("flag NAME on|off"), S("Set or clear one receiver flag."),
         S("NAME is one of the flag box's names: REPEATER, HOP COUNT, ENCRPYT Own, SHOW TIME, ONLY TOTAL, "
           "SHOW DEBUG, OUT 512Hz, SHOW LOGIN ID (any case; hyphens for blanks)."),
         2, 2},
        {S("reset"), S("reset --yes"), S("Master reset of the receiver."),
         S("Clears the receiver's meter list, flags and mode. Needs --yes."), 0, 0},
    };
    return commands;
}

const CliCommand* FindCliCommand(const QString& name)
{
    for (const CliCommand& c : CliCommands())
        if (c.name == name)
            return &c;
    return nullptr;
}
