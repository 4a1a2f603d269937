function [copies, clause] = held_copies(name, bytes)
  % How many copies of a result of NAME Octave holds at once: 1 for an
  % oct-file (its array is returned as it is), 2 for a MEX file (copied on
  % return). CLAUSE is what an outputTooLarge message adds to "would take
  % BYTES bytes" for that many copies.
  [~, ~, extension] = fileparts(which(name));
  copies = 1 + strcmp(extension, '.mex');
  clause = '';
  if copies > 1
    clause = sprintf(' (%d with the %d copies this host holds at once)', copies * bytes, copies);
  end
end
