"""The exceptions that the package raises for a failure of the library and an existing result."""


class Error(Exception):
    """A failed call: the message says what failed and why.

    code is the library's result code and name its name (RC_...), when the
    failure was one of the library's; both are None for a failure of the
    package's own (a file that cannot be opened, say).
    """

    def __init__(self, message, code=None, name=None):
        super().__init__(message)
        self.message = message
        self.code = code
        self.name = name


class ResultExistsError(FileExistsError, ValueError):
    """A result that would replace an existing file without overwrite=True.

    It is a FileExistsError, and a ValueError as well, as such a refusal was
    before: callers that catch ValueError still catch it.
    """
