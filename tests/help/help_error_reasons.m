function [required, optional, problems] = help_error_reasons(root, name)
  % The error reasons (mexsets:NAME:<reason>) that the sources under ROOT
  % show the function NAME can raise, for comparing with its help.
  %
  % REQUIRED: every camelCase string literal of modules/NAME/*.cpp, *.hpp
  % (the reasons its contract and computation fail with), plus the reasons of
  % the shared checks and host operations that those files call (table
  % below; a contract without a synopsis of its own refuses extra outputs
  % with nargout).
  % OPTIONAL: outOfMemory, which every gateway raises when memory runs out; a
  % help lists it where the function needs memory besides its outputs.
  % PROBLEMS: table entries that the shared headers no longer raise.
  shared = {
    'nargin_message = "',    {'nargin'}
    'nargout_message = "',   {'nargout'}
    ': ContractDefaults {',   {'nargout'}
    'call.most_outputs(',    {'nargout'}
    'require_result_fits(',  {'outputTooLarge'}
    'call.matrix(',          {'typesNotCoherent', 'dimensionsNotCoherent', 'sparseInput', ...
                              'complexInput'}
    'call.unread(',          {'typesNotCoherent', 'dimensionsNotCoherent'}
    'call.page(',            {'notDouble', 'noFirstPage', 'sparseInput', 'complexInput'}
    'call.scalar(',          {'badScalar'}
    'fail_id(',              {'idNotANumber', 'idOutOfRange'}
    'id_reason(',            {'idNotANumber', 'idOutOfRange'}
    'leaf_count(',           {'emptyMergeMatrix', 'idNotANumber', 'badLeafCount', 'tooManyNodes'}
    'bad_node_id(',          {'idNotANumber', 'idOutOfRange'}
  };
  problems = {};
  headers = [read_all(fullfile(root, 'include', 'mexsets'), '*.hpp') ...
             read_all(fullfile(root, 'common'), '*.hpp')];
  source = read_all(fullfile(root, 'modules', name), '*.cpp');
  source = [source read_all(fullfile(root, 'modules', name), '*.hpp')];
  % The source of a shared computation that the function includes
  % (common/<file>.cpp for common/<file>.hpp) counts as its own.
  included = unique(cellfun(@(t) t{1}, ...
                            regexp(source, '#include "common/([a-z_]+)\.hpp"', 'tokens'), ...
                            'UniformOutput', false));
  for k = 1:numel(included)
    file = fullfile(root, 'common', [included{k} '.cpp']);
    if exist(file, 'file')
      source = [source fileread(file) sprintf('\n')];
    end
  end
  source = regexprep(source, '//[^\n]*', '');  % literals in comments do not count

  literals = regexp(source, '"([a-z]+[A-Z][A-Za-z0-9]*)"', 'tokens');
  required = cellfun(@(t) t{1}, literals, 'UniformOutput', false);
  for k = 1:size(shared, 1)
    for reason = shared{k, 2}
      if isempty(strfind(headers, ['"' reason{1} '"']))
        problems{end + 1} = sprintf('include/mexsets raises no "%s" (for %s)', reason{1}, ...
                                    shared{k, 1});
      end
    end
    if ~isempty(strfind(source, shared{k, 1}))
      required = [required shared{k, 2}];
    end
  end
  % A contract's own synopsis replaces the count errors, nargout included.
  if ~isempty(strfind(source, 'synopsis = "'))
    required = required(~strcmp(required, 'nargout'));
  end
  required = unique(required);
  optional = {'outOfMemory'};
  if isempty(strfind(headers, ':outOfMemory"'))
    problems{end + 1} = 'include/mexsets raises no outOfMemory';
  end
end

function text = read_all(folder, pattern)
  text = '';
  files = dir(fullfile(folder, pattern));
  for k = 1:numel(files)
    text = [text fileread(fullfile(folder, files(k).name)) sprintf('\n')];
  end
end
