function expect_error(call, identifier, message_end, outputs)
  % Runs CALL (a function handle) and requires it to fail with IDENTIFIER and a
  % message that ends with MESSAGE_END (Octave prefixes the function name).
  % With OUTPUTS, the call asks for that many outputs.
  try
    if nargin > 3
      results = cell(1, outputs);
      [results{:}] = call();
    else
      call();
    end
  catch err
    assert(strcmp(err.identifier, identifier), ...
           'identifier "%s", expected "%s"', err.identifier, identifier);
    tail = err.message(max(1, end - numel(message_end) + 1):end);
    assert(strcmp(tail, message_end), ...
           'message "%s" does not end with "%s"', err.message, message_end);
    return;
  end
  error('the call succeeded; expected %s', identifier);
end
