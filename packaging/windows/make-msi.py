#!/usr/bin/env python3
"""make-msi.py STAGE VERSION ICON OUT.msi QUESTION_FILE...: the Windows Installer package of the staged Windows folder.

Per machine: the programs under Program Files\\zuf-quiz, the question files in a shared data
folder (C:\\ProgramData\\zuf-quiz unless DATADIR=... names another one on the msiexec command line),
where pupils may add and append to results but only read the question files, and the quiz and the
workbench in the Start menu, both working in that folder. Removal takes the programs and the
Start-menu entries; the data folder keeps the question files (a teacher may have changed them, and
a shared folder serves other machines) and records.ssu, which the package never installed.

wixl (msitools) writes the package but drops every Cyrillic string and knows no permanent
components or file rights: it gets Latin placeholders, and msibuild then sets the database to
code page 1251 and writes the Russian names, the component attributes and the rights table.
"""
import os
import subprocess
import sys
import tempfile
from xml.sax.saxutils import quoteattr

UPGRADE_CODE = "6d3c58a2-0b7e-4c55-9d43-3f6f1c1f2a01"   # the same for every version: upgrades replace
QUIZ_NAME = "Тесты по ЗУФ"
TEACHER_NAME = "Тесты по ЗУФ — учитель"

# Rights in SDDL. The data folder, and what is made in it later (records.ssu): SYSTEM and the
# administrators full control; users read, create files and write them, but delete nothing
# (0x1201BF is read, write, append, execute and attributes, without DELETE and
# FILE_DELETE_CHILD). A question file: users only read and execute (0x1200A9), not inheriting
# the folder's write right.
DATA_FOLDER_RIGHTS = "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1201bf;;;BU)"
QUESTION_FILE_RIGHTS = "D:PAI(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)"
# A network share keeps the rights its administrator gave it: setting them there would fail.
LOCAL_FOLDER = 'NOT (DATADIR << "\\\\")'


def identifier(prefix, path):
    return prefix + "".join(c if c.isascii() and c.isalnum() else "_" for c in path)


def program_files(stage, questions):
    """Every staged file but the question files, by folder; a Cyrillic name gets a Latin
    placeholder, returned with the file's id to be named again later."""
    folders, renamed = {}, {}
    for root, _, names in os.walk(stage):
        relative = os.path.relpath(root, stage)
        for name in sorted(names):
            if relative == "." and name in questions:
                continue
            path = os.path.normpath(os.path.join(relative, name))
            file_id = identifier("f_", path)
            shown = name
            if not name.isascii():
                shown = f"{file_id}{os.path.splitext(name)[1]}"
                renamed[file_id] = name
            folders.setdefault(relative, []).append((file_id, shown, os.path.abspath(os.path.join(root, name))))
    return folders, renamed


def directory_xml(folders, relative="."):
    lines = []
    for file_id, shown, source in folders.get(relative, []):
        lines.append(f'<Component Id="c{file_id}" Guid="*" Win64="yes">'
                     f'<File Id="{file_id}" Name={quoteattr(shown)} Source={quoteattr(source.lstrip("/"))} KeyPath="yes"/>'
                     '</Component>')
    prefix = "" if relative == "." else relative + os.sep
    children = sorted({p[len(prefix):].split(os.sep)[0] for p in folders
                       if p != "." and p.startswith(prefix) and p != relative})
    for child in children:
        path = child if relative == "." else os.path.join(relative, child)
        lines.append(f'<Directory Id={quoteattr(identifier("d_", path))} Name={quoteattr(child)}>')
        lines += directory_xml(folders, path)
        lines.append("</Directory>")
    return lines


def wxs(stage, version, icon, folders, questions):
    """The package's source, its files named from the folder wixl runs in (it takes no absolute paths)."""
    components = [f"c{file_id}" for files in folders.values() for file_id, _, _ in files]
    data = [f'<Component Id="q_{os.path.splitext(n)[0]}" Guid="*" Win64="yes">'
            f'<File Id="{os.path.splitext(n)[0]}" Name="{n}" Source={quoteattr(os.path.abspath(os.path.join(stage, n)).lstrip("/"))} KeyPath="yes"/>'
            '</Component>' for n in questions]
    components += [f"q_{os.path.splitext(n)[0]}" for n in questions] + ["dataFolder", "menu"]
    return "\n".join([
        '<?xml version="1.0" encoding="utf-8"?>',
        '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
        f'<Product Id="*" Name="QuizPlaceholder" Language="1049" Version="{version}"'
        f' Manufacturer="zuf-quiz developers" UpgradeCode="{UPGRADE_CODE}">',
        # The summary stream keeps to ASCII: its code page is not the database's.
        '<Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"'
        ' Description="zuf-quiz" Comments="A safety quiz for school pupils"/>',
        '<MajorUpgrade DowngradeErrorMessage="A newer version of zuf-quiz is installed."/>',
        '<Media Id="1" Cabinet="zuf.cab" EmbedCab="yes"/>',
        f'<Icon Id="books.ico" SourceFile={quoteattr(os.path.abspath(icon).lstrip("/"))}/>',
        '<Property Id="ARPPRODUCTICON" Value="books.ico"/>',
        '<Property Id="ARPNOMODIFY" Value="1"/>',
        # The data folder chosen at installation, found again by a repair or an upgrade.
        '<Property Id="DATADIR"><RegistrySearch Id="dataFolderSearch" Root="HKLM" Key="Software\\zuf-quiz"'
        ' Name="DataFolder" Type="directory"/></Property>',
        '<Directory Id="TARGETDIR" Name="SourceDir">',
        '<Directory Id="ProgramFiles64Folder"><Directory Id="INSTALLDIR" Name="zuf-quiz">',
        *directory_xml(folders),
        '</Directory></Directory>',
        '<Directory Id="CommonAppDataFolder"><Directory Id="DATADIR" Name="zuf-quiz">',
        '<Component Id="dataFolder" Guid="*" Win64="yes"><CreateFolder/>'
        '<RegistryValue Root="HKLM" Key="Software\\zuf-quiz" Name="DataFolder" Type="string"'
        ' Value="[DATADIR]" KeyPath="yes"/></Component>',
        *data,
        '</Directory></Directory>',
        '<Directory Id="ProgramMenuFolder">',
        '<Component Id="menu" Guid="*" Win64="yes">',
        '<Shortcut Id="quiz" Name="QuizShortcut" Description="QuizShortcut"'
        ' Target="[INSTALLDIR]zuf-quiz.exe" WorkingDirectory="DATADIR"/>',
        '<Shortcut Id="teacher" Name="TeacherShortcut" Description="TeacherShortcut"'
        ' Target="[INSTALLDIR]zuf-teacher.exe" Arguments="&quot;[DATADIR].&quot;" WorkingDirectory="DATADIR"/>',
        '<RegistryValue Root="HKLM" Key="Software\\zuf-quiz" Name="StartMenu" Type="integer" Value="1" KeyPath="yes"/>',
        '</Component>',
        '</Directory>',
        '</Directory>',
        '<Feature Id="quiz" Level="1">',
        *[f'<ComponentRef Id="{c}"/>' for c in components],
        '</Feature>',
        '</Product>',
        '</Wix>',
    ])


def sql_text(text):
    return "'" + text.replace("'", "''") + "'"


def idt(path, columns, types, key, rows):
    with open(path, "w", encoding="cp1251", newline="") as out:
        out.write("\t".join(columns) + "\r\n" + "\t".join(types) + "\r\n" + key + "\r\n")
        for row in rows:
            out.write("\t".join(row) + "\r\n")


def main():
    stage, version, icon, out = sys.argv[1:5]
    questions = sys.argv[5:]   # one for each topic, as the build read them from the topics table
    folders, renamed = program_files(stage, questions)
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "zuf-quiz.wxs")
        with open(source, "w", encoding="utf-8") as f:
            f.write(wxs(stage, version, icon, folders, questions))
        if os.path.exists(out):
            os.remove(out)
        subprocess.run(["wixl", "-a", "x64", "-o", os.path.abspath(out), source], check=True, cwd="/")

        codepage = os.path.join(work, "_ForceCodepage.idt")
        with open(codepage, "w", newline="") as f:
            f.write("\r\n\r\n1251\t_ForceCodepage\r\n")
        rights = os.path.join(work, "MsiLockPermissionsEx.idt")
        idt(rights, ["MsiLockPermissionsEx", "LockObject", "Table", "SDDLText", "Condition"],
            ["s72", "s72", "s32", "s0", "S255"], "MsiLockPermissionsEx\tMsiLockPermissionsEx",
            [["rDATADIR", "DATADIR", "CreateFolder", DATA_FOLDER_RIGHTS, LOCAL_FOLDER]]
            + [[f"r{os.path.splitext(n)[0]}", os.path.splitext(n)[0], "File", QUESTION_FILE_RIGHTS, LOCAL_FOLDER] for n in questions])
        subprocess.run(["msibuild", out, "-i", codepage, "-i", rights], check=True)
        # The package's language, which wixl leaves at 1033 whatever the source says.
        subprocess.run(["msibuild", out, "-s", "zuf-quiz", "zuf-quiz developers", "x64;1049"], check=True)

        # Permanent (16) and never overwritten (128), beside 64-bit (256): a reinstallation
        # keeps a question file the teacher has changed, a removal keeps them all.
        queries = [f"UPDATE Component SET Attributes = 400 WHERE Component = 'q_{os.path.splitext(n)[0]}'" for n in questions]
        queries += [
            f"UPDATE Property SET Value = {sql_text(QUIZ_NAME)} WHERE Property = 'ProductName'",
            f"UPDATE Shortcut SET Name = {sql_text(QUIZ_NAME)}, Description = {sql_text(QUIZ_NAME)}"
            " WHERE Shortcut = 'quiz'",
            f"UPDATE Shortcut SET Name = {sql_text(TEACHER_NAME)}, Description = {sql_text(TEACHER_NAME)}"
            " WHERE Shortcut = 'teacher'",
            "UPDATE Property SET Value = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;DATADIR'"
            " WHERE Property = 'SecureCustomProperties'",
        ]
        queries += [f"UPDATE File SET FileName = {sql_text(name)} WHERE File = '{file_id}'"
                    for file_id, name in renamed.items()]
        for query in queries:
            subprocess.run(["msibuild", out, "-q", query], check=True)


if __name__ == "__main__":
    main()
