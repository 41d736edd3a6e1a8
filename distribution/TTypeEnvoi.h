#pragma once

// The channel through which the "Envoyer" actions publish the prepared files: upload to the
// distribution FTP server, or copy into the target folder. The main window starts with
// EnvoiFtp and changes it only when it reads the settings file.
enum TTypeEnvoi : int
{
    EnvoiFtp = 0,
    EnvoiUri = 1,
};
